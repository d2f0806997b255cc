#include "core/component_stream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string_view>

#include "core/utf8.h"

namespace {

constexpr int kMaxDepth = 256;  // nested objects and collections; deeper text is refused

// ---------------------------------------------------------------- writing

std::string QuoteString(std::string_view s) {
  std::string out;
  bool open = false;
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32) {
      if (open) out += '\'';
      open = false;
      out += '#';
      out += std::to_string(c);
      continue;
    }
    if (!open) out += '\'';
    open = true;
    if (ch == '\'') out += '\'';
    out += ch;
  }
  if (open) out += '\'';
  return out.empty() ? "''" : out;
}

class TTextWriter;

// Collects the defined properties of one object and writes them.
class TWriteFiler final : public TFiler {
 public:
  TWriteFiler(TTextWriter& writer, std::string prefix, int indent)
      : writer_(writer), prefix_(std::move(prefix)), indent_(indent) {}
  void DefineProperty(const std::string& name, const std::function<void(const std::string&)>&,
                      const std::function<std::string()>& write, bool has_data) override;
  void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>&,
                            const std::function<void(TStream&)>& write, bool has_data) override;

 private:
  TTextWriter& writer_;
  std::string prefix_;
  int indent_;
};

class TTextWriter {
 public:
  explicit TTextWriter(const TComponent& root) : root_(root) {}

  void Line(int indent, const std::string& text) {
    out_.append(static_cast<size_t>(indent) * 2, ' ');
    out_ += text;
    out_ += '\n';
  }

  void Object(const TComponent& c, int indent, bool blank_name) {
    std::string header = "object ";
    if (!blank_name && !c.Name().empty()) header += c.Name() + ": ";
    Line(indent, header + c.ClassName());
    Properties(c, "", indent + 1);
    c.GetChildren([&](TComponent* child) { Object(*child, indent + 1, false); },
                  const_cast<TComponent*>(&root_));
    Line(indent, "end");
  }

  void Properties(const TPersistent& obj, const std::string& prefix, int indent) {
    for (const TPropInfo* p : obj.ClassInfo().Properties()) {
      if (!p->ShouldStore(obj)) continue;
      const std::string name = prefix + p->name;
      switch (p->kind) {
        case TPropKind::Object: {
          TPersistent* nested = p->get_object(obj);
          if (!nested) break;
          if (auto* list = dynamic_cast<TCollection*>(nested))
            Collection(*list, name, indent);
          else
            Properties(*nested, name + ".", indent);
          break;
        }
        case TPropKind::String:
        case TPropKind::Color:
          Line(indent, name + " = " + QuoteString(p->GetText(obj)));
          break;
        case TPropKind::Strings: {
          std::vector<std::string> items = p->get_strings(obj);
          if (items.empty()) {
            Line(indent, name + " = ()");
            break;
          }
          Line(indent, name + " = (");
          for (size_t i = 0; i < items.size(); ++i)
            Line(indent + 1, QuoteString(items[i]) + (i + 1 == items.size() ? ")" : ""));
          break;
        }
        case TPropKind::Reference:
        case TPropKind::Event: {
          std::string text = p->GetText(obj);
          if (!text.empty()) Line(indent, name + " = " + text);
          break;
        }
        default:
          Line(indent, name + " = " + p->GetText(obj));
          break;
      }
    }
    TWriteFiler filer(*this, prefix, indent);
    const_cast<TPersistent&>(obj).DefineProperties(filer);
  }

  void Collection(const TCollection& list, const std::string& name, int indent) {
    if (list.Count() == 0) return;
    Line(indent, name + " = <");
    for (int i = 0; i < list.Count(); ++i) {
      Line(indent + 1, "item");
      Properties(*list.Items(i), "", indent + 2);
      Line(indent + 1, i + 1 == list.Count() ? "end>" : "end");
    }
  }

  void Binary(int indent, const std::string& name, const std::vector<uint8_t>& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    if (bytes.empty()) {
      Line(indent, name + " = {}");
      return;
    }
    Line(indent, name + " = {");
    for (size_t i = 0; i < bytes.size(); i += 32) {
      std::string row;
      for (size_t j = i; j < std::min(bytes.size(), i + 32); ++j) {
        row += kHex[bytes[j] >> 4];
        row += kHex[bytes[j] & 15];
      }
      if (i + 32 >= bytes.size()) row += '}';
      Line(indent + 1, row);
    }
  }

  std::string& Text() { return out_; }

 private:
  const TComponent& root_;
  std::string out_;
};

void TWriteFiler::DefineProperty(const std::string& name,
                                 const std::function<void(const std::string&)>&,
                                 const std::function<std::string()>& write, bool has_data) {
  if (has_data && write) writer_.Line(indent_, prefix_ + name + " = " + QuoteString(write()));
}

void TWriteFiler::DefineBinaryProperty(const std::string& name,
                                       const std::function<void(TStream&)>&,
                                       const std::function<void(TStream&)>& write, bool has_data) {
  if (!has_data || !write) return;
  TMemoryStream data;
  write(data);
  writer_.Binary(indent_, prefix_ + name, data.Bytes());
}

// ---------------------------------------------------------------- reading

enum class TokenKind { End, Ident, Number, String, Binary, Symbol };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;            // identifier, number, decoded string, or the symbol
  std::vector<uint8_t> bytes;  // binary blocks
  int line = 1;
};

class TLexer {
 public:
  explicit TLexer(std::string_view text) : text_(text) { Advance(); }

  const Token& Peek() const { return current_; }
  Token Next() {
    Token t = std::move(current_);
    Advance();
    return t;
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw EReadError("Line " + std::to_string(current_.line) + ": " + what);
  }
  bool IsIdent(std::string_view word) const {
    return current_.kind == TokenKind::Ident && SameText(current_.text, word);
  }
  bool IsSymbol(char c) const {
    return current_.kind == TokenKind::Symbol && current_.text.size() == 1 && current_.text[0] == c;
  }
  void ExpectSymbol(char c) {
    if (!IsSymbol(c)) Fail(std::string("'") + c + "' expected");
    Advance();
  }
  std::string ExpectIdent() {
    if (current_.kind != TokenKind::Ident) Fail("identifier expected");
    return Next().text;
  }
  void ExpectWord(std::string_view word) {
    if (!IsIdent(word)) Fail("'" + std::string(word) + "' expected");
    Advance();
  }

 private:
  static bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool AtEnd() const { return pos_ >= text_.size(); }
  char Ch() const { return AtEnd() ? '\0' : text_[pos_]; }

  void SkipSpace() {
    while (!AtEnd() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  [[noreturn]] void LexFail(const std::string& what) const {
    throw EReadError("Line " + std::to_string(line_) + ": " + what);
  }

  void Advance() {
    SkipSpace();
    current_ = Token();
    current_.line = line_;
    if (AtEnd()) return;
    char c = Ch();
    if (IsAlpha(c)) {
      size_t start = pos_;
      while (!AtEnd() && (IsAlpha(Ch()) || IsDigit(Ch()) || Ch() == '.')) ++pos_;
      current_.kind = TokenKind::Ident;
      current_.text = std::string(text_.substr(start, pos_ - start));
    } else if (IsDigit(c) || ((c == '-' || c == '+') && pos_ + 1 < text_.size() &&
                              (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '.'))) {
      size_t start = pos_++;
      while (!AtEnd() &&
             (IsDigit(Ch()) || Ch() == '.' || Ch() == 'e' || Ch() == 'E' ||
              ((Ch() == '-' || Ch() == '+') && (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E'))))
        ++pos_;
      current_.kind = TokenKind::Number;
      current_.text = std::string(text_.substr(start, pos_ - start));
    } else if (c == '\'' || c == '#') {
      current_.kind = TokenKind::String;
      ReadString();
    } else if (c == '{') {
      current_.kind = TokenKind::Binary;
      ReadBinary();
    } else if (std::string_view("=:[](),<>").find(c) != std::string_view::npos) {
      current_.kind = TokenKind::Symbol;
      current_.text = std::string(1, c);
      ++pos_;
    } else {
      LexFail(std::string("unexpected character '") + c + "'");
    }
  }

  // 'abc''d'#13#10'e' + 'f'
  void ReadString() {
    std::string& out = current_.text;
    while (true) {
      if (Ch() == '\'') {
        ++pos_;
        while (true) {
          if (AtEnd() || Ch() == '\n') LexFail("unterminated string");
          if (Ch() == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              out += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          out += text_[pos_++];
        }
      } else if (Ch() == '#') {
        ++pos_;
        uint32_t code = 0;
        size_t digits = 0;
        while (!AtEnd() && IsDigit(Ch())) {
          code = code * 10 + static_cast<uint32_t>(Ch() - '0');
          if (code > 0x10FFFF) LexFail("character code out of range");
          ++pos_;
          ++digits;
        }
        if (!digits) LexFail("character code expected");
        AppendUtf8(out, code);
      } else {
        // A '+' after optional blanks continues the string on the next part.
        size_t save = pos_;
        int save_line = line_;
        SkipSpace();
        if (Ch() == '+') {
          ++pos_;
          SkipSpace();
          if (Ch() == '\'' || Ch() == '#') continue;
          LexFail("string expected after '+'");
        }
        pos_ = save;
        line_ = save_line;
        return;
      }
    }
  }

  void ReadBinary() {
    ++pos_;  // '{'
    int high = -1;
    while (true) {
      if (AtEnd()) LexFail("unterminated binary block");
      char c = Ch();
      if (c == '}') {
        ++pos_;
        break;
      }
      if (static_cast<unsigned char>(c) <= ' ') {
        if (c == '\n') ++line_;
        ++pos_;
        continue;
      }
      int v = HexValue(c);
      if (v < 0) LexFail("hexadecimal digit expected");
      ++pos_;
      if (high < 0) {
        high = v;
      } else {
        current_.bytes.push_back(static_cast<uint8_t>(high * 16 + v));
        high = -1;
      }
    }
    if (high >= 0) LexFail("odd number of hexadecimal digits");
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  Token current_;
};

// Notices when a component made by the reader is freed (a parent freeing its children), so
// that cleanup after an error frees each remaining one exactly once.
class TCreationTracker final : public TComponent {
 public:
  ~TCreationTracker() override {
    for (TComponent* c : alive_) RemoveFreeNotification(c);
  }
  void Track(TComponent* c) {
    order_.push_back(c);
    alive_.insert(c);
    FreeNotification(c);
  }
  bool Alive(TComponent* c) const { return alive_.count(c) != 0; }
  const std::vector<TComponent*>& Order() const { return order_; }
  void FreeAll() {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it)
      if (Alive(*it)) delete *it;  // frees what the reader made and nobody took over
    order_.clear();
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == TOperation::Remove) alive_.erase(c);
  }

 private:
  std::vector<TComponent*> order_;
  std::set<TComponent*> alive_;
};

struct Fixup {
  TPersistent* object;
  const TPropInfo* prop;
  std::string name;
};

class TTextReader;

// Hands a defined property's stored data to the object that declared it.
class TReadFiler final : public TFiler {
 public:
  TReadFiler(std::string_view wanted, const Token& value) : wanted_(wanted), value_(value) {}
  void DefineProperty(const std::string& name, const std::function<void(const std::string&)>& read,
                      const std::function<std::string()>&, bool) override {
    if (found_ || !SameText(name, wanted_)) return;
    found_ = true;
    if (value_.kind == TokenKind::Binary || value_.kind == TokenKind::Symbol)
      throw EReadError("Invalid value for property " + name);
    if (read) read(value_.text);
  }
  void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& read,
                            const std::function<void(TStream&)>&, bool) override {
    if (found_ || !SameText(name, wanted_)) return;
    found_ = true;
    if (value_.kind != TokenKind::Binary)
      throw EReadError("Binary data expected for property " + name);
    TMemoryStream data(value_.bytes);
    if (read) read(data);
  }
  bool Found() const { return found_; }

 private:
  std::string_view wanted_;
  const Token& value_;
  bool found_ = false;
};

struct ReadOptions {
  bool clear_names = false;
  std::vector<const TMethodTable*> methods;
};

class TTextReader {
 public:
  TTextReader(std::string_view text, TComponent* owner, ReadOptions options)
      : lex_(text), owner_(owner), options_(std::move(options)) {}

  // Reads the top block; root is an existing object to fill, or nullptr to create one.
  TComponent* Read(TComponent* root) {
    tracker_ = std::make_unique<TCreationTracker>();
    try {
      TComponent* top = ReadObject(nullptr, root, 0);
      if (lex_.Peek().kind != TokenKind::End) lex_.Fail("end of text expected");
      ResolveFixups(top);
      std::vector<TComponent*> loaded;
      if (root) loaded.push_back(root);
      for (TComponent* c : tracker_->Order())
        if (tracker_->Alive(c)) loaded.push_back(c);
      tracker_.reset();  // the objects now belong to their owners and parents
      for (TComponent* c : loaded) c->Loaded();
      return top;
    } catch (...) {
      if (tracker_) tracker_->FreeAll();
      if (root) root->SetComponentState(csLoading, false);
      throw;
    }
  }

 private:
  TComponent* ReadObject(TComponent* parent, TComponent* existing, int depth) {
    if (depth > kMaxDepth) lex_.Fail("objects nested too deeply");
    if (!(lex_.IsIdent("object") || lex_.IsIdent("inherited") || lex_.IsIdent("inline")))
      lex_.Fail("'object' expected");
    lex_.Next();
    std::string first = lex_.ExpectIdent();
    std::string name, class_name = first;
    if (lex_.IsSymbol(':')) {
      lex_.Next();
      name = first;
      class_name = lex_.ExpectIdent();
    }
    if (lex_.IsSymbol('[')) {  // creation index of inherited forms: not used
      lex_.Next();
      if (lex_.Peek().kind != TokenKind::Number) lex_.Fail("index expected");
      lex_.Next();
      lex_.ExpectSymbol(']');
    }
    const TClassInfo* info = TClassRegistry::Instance().FindClass(class_name);
    if (!info) lex_.Fail("Class " + class_name + " not found");

    TComponent* obj = existing;
    if (existing) {
      if (!existing->ClassInfo().InheritsFrom(*info))
        lex_.Fail("Class " + class_name + " does not match " + existing->ClassName());
    } else {
      if (!info->IsComponent() || !info->IsCreatable())
        lex_.Fail("Class " + class_name + " cannot be created");
      std::unique_ptr<TPersistent> made(info->Create(owner_));
      obj = dynamic_cast<TComponent*>(made.get());
      if (!obj) lex_.Fail("Class " + class_name + " cannot be created");
      made.release();
      tracker_->Track(obj);  // from here on the reader frees it on error
    }
    obj->SetComponentState(csLoading, true);
    if (!options_.clear_names && !name.empty()) {
      try {
        obj->SetName(name);
      } catch (const EComponentError& e) {
        lex_.Fail(e.what());
      }
    }
    if (parent) obj->SetParentComponent(parent);

    while (lex_.Peek().kind == TokenKind::Ident && !IsBlockWord()) ReadProperty(*obj, depth);
    while (lex_.IsIdent("object") || lex_.IsIdent("inherited") || lex_.IsIdent("inline"))
      ReadObject(obj, nullptr, depth + 1);
    lex_.ExpectWord("end");
    return obj;
  }

  bool IsBlockWord() const {
    return lex_.IsIdent("object") || lex_.IsIdent("inherited") || lex_.IsIdent("inline") ||
           lex_.IsIdent("end");
  }

  void ReadProperty(TPersistent& obj, int depth) {
    int line = lex_.Peek().line;
    std::string path = lex_.ExpectIdent();
    lex_.ExpectSymbol('=');
    try {
      AssignValue(obj, path, depth);
    } catch (const EReadError&) {
      throw;
    } catch (const std::exception& e) {
      throw EReadError("Line " + std::to_string(line) + ": " + path + ": " + e.what());
    }
  }

  // Resolves path below obj and reads the value into it.
  void AssignValue(TPersistent& obj, const std::string& path, int depth) {
    TPersistent* target = &obj;
    std::string_view rest = path;
    while (true) {
      size_t dot = rest.find('.');
      if (dot == std::string_view::npos) break;
      std::string_view segment = rest.substr(0, dot);
      const TPropInfo* p = FindProp(*target, segment);
      if (!p || p->kind != TPropKind::Object || !p->get_object(*target))
        lex_.Fail("Property " + path + " does not exist");
      target = p->get_object(*target);
      rest.remove_prefix(dot + 1);
    }
    if (rest.empty()) lex_.Fail("property name expected");
    const TPropInfo* p = FindProp(*target, rest);
    if (!p) {
      Token value = ReadPlainValue();
      TReadFiler filer(rest, value);
      target->DefineProperties(filer);
      if (!filer.Found()) lex_.Fail("Property " + path + " does not exist");
      return;
    }
    ReadPublished(*target, *p, depth);
  }

  // A single-token value for defined properties.
  Token ReadPlainValue() {
    const Token& t = lex_.Peek();
    if (t.kind == TokenKind::End || t.kind == TokenKind::Symbol) lex_.Fail("value expected");
    return lex_.Next();
  }

  void ReadPublished(TPersistent& obj, const TPropInfo& p, int depth) {
    const Token& t = lex_.Peek();
    switch (p.kind) {
      case TPropKind::Float:
      case TPropKind::Integer:
        if (t.kind != TokenKind::Number) lex_.Fail("Invalid value for property " + p.name);
        p.SetText(obj, lex_.Next().text);
        return;
      case TPropKind::Boolean:
      case TPropKind::Enum:
        if (t.kind != TokenKind::Ident) lex_.Fail("Invalid value for property " + p.name);
        p.SetText(obj, lex_.Next().text);
        return;
      case TPropKind::Set: {
        lex_.ExpectSymbol('[');
        std::string text = "[";
        while (!lex_.IsSymbol(']')) {
          if (text.size() > 1) lex_.ExpectSymbol(',');
          if (text.size() > 1) text += ",";
          text += lex_.ExpectIdent();
        }
        lex_.Next();
        p.SetText(obj, text + "]");
        return;
      }
      case TPropKind::String:
        if (t.kind != TokenKind::String && t.kind != TokenKind::Ident)
          lex_.Fail("Invalid value for property " + p.name);
        p.SetText(obj, lex_.Next().text);
        return;
      case TPropKind::Color:
        if (t.kind == TokenKind::Number) {
          int64_t v = 0;
          const std::string& s = t.text;
          auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
          if (ec != std::errc() || ptr != s.data() + s.size() || p.IsReadOnly())
            lex_.Fail("Invalid value for property " + p.name);
          p.set_ord(obj, static_cast<uint32_t>(v));
          lex_.Next();
          return;
        }
        if (t.kind != TokenKind::String) lex_.Fail("Invalid value for property " + p.name);
        p.SetText(obj, lex_.Next().text);
        return;
      case TPropKind::Strings: {
        lex_.ExpectSymbol('(');
        std::vector<std::string> items;
        while (!lex_.IsSymbol(')')) {
          if (lex_.Peek().kind != TokenKind::String) lex_.Fail("string expected");
          items.push_back(lex_.Next().text);
        }
        lex_.Next();
        if (!p.set_strings) lex_.Fail("Property " + p.name + " is read-only");
        p.set_strings(obj, items);
        return;
      }
      case TPropKind::Object: {
        auto* list = dynamic_cast<TCollection*>(p.get_object(obj));
        if (!list || !lex_.IsSymbol('<')) lex_.Fail("Invalid value for property " + p.name);
        ReadCollection(*list, depth + 1);
        return;
      }
      case TPropKind::Reference: {
        if (t.kind != TokenKind::Ident) lex_.Fail("Invalid value for property " + p.name);
        std::string name = lex_.Next().text;
        if (p.IsReadOnly()) lex_.Fail("Property " + p.name + " is read-only");
        if (SameText(name, "nil"))
          p.set_object(obj, nullptr);
        else
          fixups_.push_back({&obj, &p, name});
        return;
      }
      case TPropKind::Event: {
        if (t.kind != TokenKind::Ident) lex_.Fail("Invalid value for property " + p.name);
        std::string name = lex_.Next().text;
        if (SameText(name, "nil")) {
          if (p.clear_event) p.clear_event(obj);
          return;
        }
        for (const TMethodTable* table : options_.methods)
          if (const std::any* handler = table ? table->Find(name) : nullptr) {
            p.bind_event(obj, *handler, name);
            return;
          }
        lex_.Fail("Method " + name + " not found");
      }
    }
  }

  void ReadCollection(TCollection& list, int depth) {
    if (depth > kMaxDepth) lex_.Fail("collections nested too deeply");
    lex_.ExpectSymbol('<');
    list.Clear();
    while (!lex_.IsSymbol('>')) {
      lex_.ExpectWord("item");
      TCollectionItem& item = list.Add();
      while (!lex_.IsIdent("end")) {
        if (lex_.Peek().kind != TokenKind::Ident) lex_.Fail("property expected");
        ReadProperty(item, depth);
      }
      lex_.Next();
    }
    lex_.Next();
  }

  void ResolveFixups(TComponent* top) {
    for (const Fixup& f : fixups_) {
      TComponent* found = nullptr;
      for (TComponent* c : tracker_->Order())
        if (tracker_->Alive(c) && SameText(c->Name(), f.name)) {
          found = c;
          break;
        }
      if (!found && top && SameText(top->Name(), f.name)) found = top;
      if (!found && owner_) found = owner_->FindComponent(f.name);
      if (!found && owner_ && SameText(owner_->Name(), f.name)) found = owner_;
      if (!found) continue;  // unknown names stay unassigned, as for any missing link
      if (f.prop->value_class && !found->ClassInfo().InheritsFrom(f.prop->value_class()))
        throw EReadError("Component " + f.name + " does not fit property " + f.prop->name);
      f.prop->set_object(*f.object, found);
    }
  }

  TLexer lex_;
  TComponent* owner_;
  ReadOptions options_;
  std::unique_ptr<TCreationTracker> tracker_;
  std::vector<Fixup> fixups_;
};

std::string RemainingText(TStream& stream) {
  int64_t remaining = stream.Remaining();
  std::string text(static_cast<size_t>(remaining), '\0');
  if (remaining > 0) stream.ReadBuffer(text.data(), text.size());
  return text;
}

}  // namespace

std::string ComponentToText(const TComponent& component) {
  TTextWriter writer(component);
  writer.Object(component, 0, false);
  return std::move(writer.Text());
}

void WriteComponent(TStream& stream, const TComponent& component) {
  std::string text = ComponentToText(component);
  stream.WriteBuffer(text.data(), text.size());
}

TComponent* ReadComponent(TStream& stream, TComponent* owner) {
  std::string text = RemainingText(stream);
  ReadOptions options;
  if (owner) options.methods.push_back(owner->Methods());
  TTextReader reader(text, owner, std::move(options));
  return reader.Read(nullptr);
}

void ReadRootComponent(TStream& stream, TComponent& root) {
  std::string text = RemainingText(stream);
  ReadOptions options;
  options.methods.push_back(root.Methods());
  TTextReader reader(text, &root, std::move(options));
  reader.Read(&root);
}

void SaveObjectToStream(const TComponent& obj, TStream& stream) {
  TTextWriter writer(obj);
  writer.Object(obj, 0, true);
  stream.WriteBuffer(writer.Text().data(), writer.Text().size());
}

TComponent* LoadObjectFromStream(TComponent* owner, TStream& stream) {
  try {
    return ReadComponent(stream, owner);
  } catch (...) {
    return nullptr;
  }
}

std::string CloneText(const TComponent& obj) {
  TTextWriter writer(obj);
  writer.Object(obj, 0, true);
  return std::move(writer.Text());
}

TComponent* CloneFromText(const std::string& text, const TComponent& obj, TComponent* new_owner) {
  try {
    ReadOptions options;
    options.clear_names = true;
    if (new_owner) options.methods.push_back(new_owner->Methods());
    if (obj.Owner()) options.methods.push_back(obj.Owner()->Methods());
    TTextReader reader(text, new_owner, std::move(options));
    return reader.Read(nullptr);
  } catch (...) {
    return nullptr;
  }
}

TComponent* CloneObject(const TComponent& obj, TComponent* new_owner) {
  std::string text;
  try {
    text = CloneText(obj);
  } catch (...) {
    return nullptr;
  }
  return CloneFromText(text, obj, new_owner);
}
