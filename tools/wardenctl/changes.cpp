#include "tools/wardenctl/changes.h"

#include <algorithm>
#include <deque>
#include <ostream>
#include <unordered_map>

#include "accounts/account_rules.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tools/wardenctl/session.h"

namespace warden::ctl {
namespace {

using platform::ToUtf8;

std::string Line(char mark, const AccountRecord& record) {
  return std::string(1, mark) + " " + ToUtf8(record.Name());
}

}  // namespace

TableChanges CompareTables(const std::vector<AccountRecord>& old_table,
                           const std::vector<AccountRecord>& new_table) {
  std::unordered_map<std::u16string, std::deque<std::size_t>> unmatched;
  for (std::size_t i = 0; i < old_table.size(); ++i) unmatched[old_table[i].Name()].push_back(i);
  TableChanges changes;
  std::vector<std::size_t> matched_old;  // in the new table's order
  for (std::size_t i = 0; i < new_table.size(); ++i) {
    std::deque<std::size_t>& same = unmatched[new_table[i].Name()];
    if (same.empty()) {
      changes.added.push_back(i);
      continue;
    }
    const std::size_t old_index = same.front();
    same.pop_front();
    matched_old.push_back(old_index);
    if (old_table[old_index] != new_table[i]) changes.changed.emplace_back(old_index, i);
  }
  for (const auto& [name, rest] : unmatched) {
    changes.dropped.insert(changes.dropped.end(), rest.begin(), rest.end());
  }
  std::sort(changes.dropped.begin(), changes.dropped.end());
  changes.reordered = !std::is_sorted(matched_old.begin(), matched_old.end());
  return changes;
}

std::vector<std::string> JudgeChanges(const Session& session,
                                      const std::vector<AccountRecord>& old_table,
                                      const std::vector<AccountRecord>& new_table,
                                      const TableChanges& changes) {
  std::vector<std::string> problems;
  const AccountRecord* current = session.acting_as();
  const std::u16string& admin = session.builtin.admin_user;
  const auto refuse = [&](char mark, const AccountRecord& record, const std::u16string& text) {
    problems.push_back(Line(mark, record) + ": " + ToUtf8(text));
  };
  const std::u16string out_of_reach = session.Text(IDS_ONLY_LOWER_PRIORITY);
  const std::u16string above_own = session.Text(IDS_PRIORITY_ABOVE_CURRENT);
  for (std::size_t i : changes.dropped) {
    const AccountRecord& record = old_table[i];
    if (session.builtin.IsReserved(record.Name())) {
      refuse('-', record,
             platform::FormatText(session.Text(ToolText::kReservedName), record.Name()));
    } else if (!WithinReach(current, admin, record, Reach::kChange)) {
      refuse('-', record, out_of_reach);
    }
  }
  for (const auto& [old_index, new_index] : changes.changed) {
    if (!WithinReach(current, admin, old_table[old_index], Reach::kChange)) {
      refuse('~', new_table[new_index], out_of_reach);
    } else if (!WithinReach(current, admin, new_table[new_index], Reach::kAssign)) {
      refuse('~', new_table[new_index], above_own);
    }
  }
  for (std::size_t i : changes.added) {
    if (!WithinReach(current, admin, new_table[i], Reach::kAssign)) {
      refuse('+', new_table[i], above_own);
    }
  }
  return problems;
}

void PrintChanges(Session& session, const std::vector<AccountRecord>& old_table,
                  const std::vector<AccountRecord>& new_table, const TableChanges& changes) {
  if (!changes.any()) return;
  std::ostream& out = session.io.out;
  for (std::size_t i : changes.added) out << Line('+', new_table[i]) << '\n';
  for (std::size_t i : changes.dropped) out << Line('-', old_table[i]) << '\n';
  for (const auto& change : changes.changed) out << Line('~', new_table[change.second]) << '\n';
  std::u16string counts;
  const std::pair<ToolText, std::size_t> parts[] = {
      {ToolText::kCountAdded, changes.added.size()},
      {ToolText::kCountDropped, changes.dropped.size()},
      {ToolText::kCountChanged, changes.changed.size()}};
  for (const auto& [text, count] : parts) {
    if (!counts.empty()) counts += session.english() ? u", " : u"，";
    counts += platform::FormatText(session.Text(text), platform::ToDecimal(count));
  }
  if (changes.reordered) {
    counts += (session.english() ? u"; " : u"；") + session.Text(ToolText::kReordered);
  }
  session.Say(out, counts);
}

}  // namespace warden::ctl
