// The tool's own texts, for what the component never has to say.
#ifndef WARDEN_TOOLS_WARDENCTL_TOOL_TEXTS_H
#define WARDEN_TOOLS_WARDENCTL_TOOL_TEXTS_H

namespace warden::ctl {

enum class ToolText {
  kNoAccount,
  kNoGroup,
  kNoUserForAs,
  kReservedName,
  kGroupHasMembers,
  kUnknownGroupMark,
  kNotForGroups,
  kRestoreQuestion,
  kImportQuestion,
  kNotOnTerminal,
  kNoBackup,
  kUnchanged,
  kBusy,
  kReadHint,
  kNoInstallDirectory,
  kNoDirectory,
  kNotDirectory,
  kEmptyPassword,
  kPasswordPrompt,
  kPasswordAgain,
  kPasswordsDiffer,
  kUnreadableReplaced,
  kCountAdded,
  kCountDropped,
  kCountChanged,
  kReordered,
  kChangedMeanwhile,
  kNoGeneration,
  kRestoreGenerationQuestion,
  kNoHistoryRecord,
  kCount
};

// `english` chooses the language; the texts are UTF-8 and may hold one %s.
const char* ToolTextUtf8(ToolText text, bool english);

}  // namespace warden::ctl

#endif
