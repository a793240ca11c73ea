#include "shell/registrar.h"

#include <cstdint>
#include <optional>

#include "platform/registry.h"
#include "platform/text.h"

namespace warden {
namespace {

using platform::RegistryRoot;

struct Token {
  std::u16string text;
  bool quoted = false;

  bool Is(std::u16string_view word) const { return !quoted && platform::EqualsNoCase(text, word); }
};

struct Value {
  bool is_string = true;
  std::u16string text;
  std::uint32_t number = 0;
};

enum class Flag { kNone, kNoRemove, kForceRemove, kDelete };

struct Node {
  Flag flag = Flag::kNone;
  bool is_value = false;  // a named value ("val") rather than a key
  std::u16string name;
  std::optional<Value> value;
  std::vector<Node> children;
};

struct Root {
  RegistryRoot root;
  std::vector<Node> keys;
};

// Splits the script into tokens, replacing %NAME% as it goes.
class Lexer {
 public:
  Lexer(std::u16string text, const RegistrarReplacements& replacements)
      : text_(std::move(text)), replacements_(replacements) {}

  // False at the end of the script or on an error (then failed() is true).
  bool Next(Token* token) {
    while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
    if (at_ >= text_.size()) return false;
    *token = Token{};
    if (text_[at_] == u'\'') {
      token->quoted = true;
      ++at_;
      for (;;) {
        if (at_ >= text_.size()) return Error();
        const char16_t c = text_[at_++];
        if (c == u'\'') {
          if (at_ < text_.size() && text_[at_] == u'\'') {
            token->text += u'\'';
            ++at_;
            continue;
          }
          return true;
        }
        if (!Append(c, token)) return Error();
      }
    }
    while (at_ < text_.size() && !IsBlank(text_[at_])) {
      if (!Append(text_[at_++], token)) return Error();
    }
    return true;
  }

  bool failed() const { return failed_; }

 private:
  static bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

  bool Error() {
    failed_ = true;
    return false;
  }

  // Adds `c` to the token; a % starts a replacement that ends at the next %.
  bool Append(char16_t c, Token* token) {
    if (c != u'%') {
      token->text += c;
      return true;
    }
    const std::size_t end = text_.find(u'%', at_);
    if (end == std::u16string::npos) return false;
    const std::u16string name = text_.substr(at_, end - at_);
    at_ = end + 1;
    if (name.empty()) {
      token->text += u'%';
      return true;
    }
    for (const auto& replacement : replacements_) {
      if (replacement.first == name) {
        token->text += replacement.second;
        return true;
      }
    }
    return false;
  }

  std::u16string text_;
  const RegistrarReplacements& replacements_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

class Parser {
 public:
  explicit Parser(Lexer* lexer) : lexer_(*lexer) {}

  bool Script(std::vector<Root>* roots) {
    Token token;
    while (Advance(&token)) {
      Root root;
      if (!RootOf(token, &root.root)) return false;
      if (!Advance(&token) || !token.Is(u"{") || !Keys(&root.keys)) return false;
      roots->push_back(std::move(root));
    }
    return !lexer_.failed();
  }

 private:
  static bool RootOf(const Token& token, RegistryRoot* root) {
    if (token.Is(u"HKCR") || token.Is(u"HKEY_CLASSES_ROOT")) {
      *root = RegistryRoot::kClassesRoot;
    } else if (token.Is(u"HKCU") || token.Is(u"HKEY_CURRENT_USER")) {
      *root = RegistryRoot::kCurrentUser;
    } else if (token.Is(u"HKLM") || token.Is(u"HKEY_LOCAL_MACHINE")) {
      *root = RegistryRoot::kLocalMachine;
    } else {
      return false;
    }
    return true;
  }

  bool Advance(Token* token) {
    if (pending_) {
      *token = *pending_;
      pending_.reset();
      return true;
    }
    return lexer_.Next(token);
  }

  // Keys and values up to the closing brace.
  bool Keys(std::vector<Node>* nodes) {
    Token token;
    for (;;) {
      if (!Advance(&token)) return false;
      if (token.Is(u"}")) return true;
      Node node;
      if (!Entry(token, &node)) return false;
      nodes->push_back(std::move(node));
    }
  }

  bool Entry(Token token, Node* node) {
    for (;;) {
      if (token.Is(u"NoRemove")) {
        node->flag = Flag::kNoRemove;
      } else if (token.Is(u"ForceRemove")) {
        node->flag = Flag::kForceRemove;
      } else if (token.Is(u"Delete")) {
        node->flag = Flag::kDelete;
      } else if (token.Is(u"val")) {
        node->is_value = true;
      } else {
        break;
      }
      if (!Advance(&token)) return false;
    }
    if (token.Is(u"{") || token.Is(u"}") || token.Is(u"=") || token.text.empty()) return false;
    node->name = token.text;
    // The end of the script here is left for the enclosing braces to report.
    if (!Advance(&token)) return !node->is_value;
    if (token.Is(u"=")) {
      Value value;
      if (!ValueOf(&value)) return false;
      node->value = value;
      if (!Advance(&token)) return true;
    } else if (node->is_value) {
      return false;
    }
    if (token.Is(u"{") && !node->is_value) return Keys(&node->children);
    pending_ = token;
    return true;
  }

  bool ValueOf(Value* value) {
    Token type;
    Token data;
    if (!Advance(&type) || !Advance(&data)) return false;
    if (type.Is(u"s")) {
      value->text = data.text;
      return true;
    }
    if (type.Is(u"d")) {
      value->is_string = false;
      return Number(data.text, &value->number);
    }
    return false;
  }

  static bool Number(const std::u16string& text, std::uint32_t* number) {
    const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    const std::size_t start = hex ? 2 : 0;
    if (start >= text.size()) return false;
    std::uint64_t result = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
      const char16_t c = text[i];
      int digit = -1;
      if (c >= u'0' && c <= u'9') digit = c - u'0';
      if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
      if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
      if (digit < 0) return false;
      result = result * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
      if (result > 0xFFFFFFFFu) return false;
    }
    *number = static_cast<std::uint32_t>(result);
    return true;
  }

  Lexer& lexer_;
  std::optional<Token> pending_;
};

std::u16string Join(const std::u16string& base, const std::u16string& name) {
  return base.empty() ? name : base + u'\\' + name;
}

HRESULT SetValue(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                 const Value& value) {
  return value.is_string ? platform::RegistrySetString(root, path, name, value.text)
                         : platform::RegistrySetDword(root, path, name, value.number);
}

HRESULT Register(RegistryRoot root, const std::u16string& base, const std::vector<Node>& nodes) {
  for (const Node& node : nodes) {
    const std::u16string path = Join(base, node.name);
    HRESULT result = S_OK;
    if (node.is_value) {
      result = node.value ? SetValue(root, base, node.name, *node.value) : S_OK;
    } else if (node.flag == Flag::kDelete) {
      result = platform::RegistryDeleteTree(root, path);
    } else {
      if (node.flag == Flag::kForceRemove) result = platform::RegistryDeleteTree(root, path);
      if (SUCCEEDED(result)) result = platform::RegistryCreateKey(root, path);
      if (SUCCEEDED(result) && node.value) result = SetValue(root, path, u"", *node.value);
      if (SUCCEEDED(result)) result = Register(root, path, node.children);
    }
    if (FAILED(result)) return result;
  }
  return S_OK;
}

// The named values a kept key listed, except those marked NoRemove.
HRESULT RemoveValues(RegistryRoot root, const std::u16string& path, const Node& key) {
  for (const Node& child : key.children) {
    if (!child.is_value || child.flag == Flag::kNoRemove) continue;
    const HRESULT result = platform::RegistryDeleteValue(root, path, child.name);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

HRESULT Unregister(RegistryRoot root, const std::u16string& base, const std::vector<Node>& nodes) {
  for (const Node& node : nodes) {
    if (node.is_value || node.flag == Flag::kDelete) continue;
    const std::u16string path = Join(base, node.name);
    if (!platform::RegistryKeyExists(root, path)) continue;
    HRESULT result = S_OK;
    if (node.flag == Flag::kForceRemove) {
      result = platform::RegistryDeleteTree(root, path);
    } else {
      result = Unregister(root, path, node.children);
      // A key that others still use (it has subkeys the script does not
      // name) stays; only its listed values go.
      if (SUCCEEDED(result)) {
        result = node.flag == Flag::kNone && platform::RegistrySubkeys(root, path).empty()
                     ? platform::RegistryDeleteTree(root, path)
                     : RemoveValues(root, path, node);
      }
    }
    if (FAILED(result)) return result;
  }
  return S_OK;
}

}  // namespace

HRESULT RunRegistrarScript(std::string_view script, const RegistrarReplacements& replacements,
                           RegistrarMode mode) {
  if (script.size() >= 3 && script.substr(0, 3) == "\xEF\xBB\xBF") script.remove_prefix(3);
  // Resources may be padded with zeros.
  const std::size_t end = script.find('\0');
  if (end != std::string_view::npos) script = script.substr(0, end);
  Lexer lexer(platform::FromUtf8(script), replacements);
  Parser parser(&lexer);
  std::vector<Root> roots;
  if (!parser.Script(&roots)) return DISP_E_EXCEPTION;
  for (const Root& root : roots) {
    const HRESULT result = mode == RegistrarMode::kRegister ? Register(root.root, u"", root.keys)
                                                            : Unregister(root.root, u"", root.keys);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

}  // namespace warden
