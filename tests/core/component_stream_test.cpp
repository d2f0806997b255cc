#include "core/component_stream.h"
#include "tests/support/component_text.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::LoadComponentText;
using testsupport::SaveComponentText;

const TEnumInfo& KindInfo() {
  static const TEnumInfo info("TNodeKind", {"nkPlain", "nkGroup", "nkLeaf"});
  return info;
}

using testsupport::HexColor;
using testsupport::ParseHexColor;

// A point streamed only through its defined text property "Point".
class TTriple : public TPersistent {
  FM_CLASS(TTriple, TPersistent)
 public:
  float X = 0, Y = 0, Z = 0;
  void DefineProperties(TFiler& filer) override {
    filer.DefineProperty(
        "Point",
        [this](const std::string& text) {
          if (std::sscanf(text.c_str(), "(%f,%f,%f)", &X, &Y, &Z) != 3) X = Y = Z = 0;
        },
        [this] {
          char text[96];
          std::snprintf(text, sizeof text, "(%g,%g,%g)", X, Y, Z);
          return std::string(text);
        },
        X != 0 || Y != 0 || Z != 0);
  }
};
FM_REGISTER_CLASS(TTriple) {
  c.Float("X", &TTriple::X, &TTriple::X).NotStored();
  c.Float("Y", &TTriple::Y, &TTriple::Y).NotStored();
  c.Float("Z", &TTriple::Z, &TTriple::Z).NotStored();
}

class TEntry : public TCollectionItem {
  FM_CLASS(TEntry, TCollectionItem)
 public:
  std::string label;
  int64_t value = 0;
};
FM_REGISTER_CLASS(TEntry) {
  c.String("Label", &TEntry::label, &TEntry::label);
  c.Integer("Value", &TEntry::value, &TEntry::value).Default(0);
}

// A tree node: the parent frees its children, as the scene and control trees do.
class TNode : public TComponent {
  FM_CLASS(TNode, TComponent)
 public:
  explicit TNode(TComponent* owner = nullptr) : TComponent(owner), entries(TEntry::StaticClass()) {}
  ~TNode() override {
    Destroying();
    while (!children.empty()) delete children.back();  // parent tree frees its children
    if (parent) parent->Detach(this);
  }
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return parent; }
  void SetParentComponent(TComponent* p) override {
    if (parent) parent->Detach(this);
    parent = dynamic_cast<TNode*>(p);
    if (parent) parent->children.push_back(this);
  }
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const override {
    for (TNode* c : children) proc(c);
  }
  void Loaded() override {
    TComponent::Loaded();
    ++loaded_calls;
  }
  void Detach(TNode* c) { std::erase(children, c); }

  float width = 1;
  int64_t count = 0;
  bool visible = true;
  int kind = 0;
  std::string caption;
  std::vector<std::string> lines;
  uint32_t color = 0xFF000000;
  TTriple position;
  TNode* link = nullptr;
  TNotifyEvent OnClick;
  std::vector<uint8_t> blob;
  TCollection entries;
  TNode* parent = nullptr;
  std::vector<TNode*> children;
  int loaded_calls = 0;

  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& s) {
          blob.resize(static_cast<size_t>(s.Size()));
          s.ReadBuffer(blob.data(), blob.size());
        },
        [this](TStream& s) { s.WriteBuffer(blob.data(), blob.size()); }, !blob.empty());
  }
};
FM_REGISTER_CLASS(TNode) {
  c.Float("Width", &TNode::width, &TNode::width).Default(1.0f);
  c.Integer("Count", &TNode::count, &TNode::count).Default(0);
  c.Boolean("Visible", &TNode::visible, &TNode::visible).Default(true);
  c.Enum("Kind", KindInfo(), &TNode::kind, &TNode::kind).Default(0);
  c.String("Caption", &TNode::caption, &TNode::caption);
  c.Strings("Lines", &TNode::lines, &TNode::lines);
  c.Color("Color", &TNode::color, &TNode::color, &HexColor, &ParseHexColor)
      .Default(uint32_t{0xFF000000});
  c.Object<TTriple>("Position", &TNode::position);
  c.Reference<TNode>("Link", &TNode::link, &TNode::link);
  c.Event("OnClick", &TNode::OnClick);
  c.Object<TCollection>("Entries", &TNode::entries);
}

// A window-like root that offers handlers by name.
class TWindow : public TNode {
  FM_CLASS(TWindow, TNode)
 public:
  explicit TWindow(TComponent* owner = nullptr) : TNode(owner) {
    methods.Add<void(TPersistent*)>("NodeClick", [this](TPersistent* sender) {
      ++clicks;
      last_sender = sender;
    });
    methods.Add<void(int)>("Unfit", [](int) {});
  }
  const TMethodTable* Methods() const override { return &methods; }
  TMethodTable methods;
  int clicks = 0;
  TPersistent* last_sender = nullptr;
};
FM_REGISTER_CLASS(TWindow) {}

// Builds a tree that uses every kind of property.
TNode* BuildTree(TWindow& window) {
  auto* root = new TNode(&window);
  root->SetName("Root");
  root->width = 2.5f;
  root->count = -42;
  root->visible = false;
  root->kind = 2;
  root->caption = "It's \"quoted\"\tand 图标";
  root->lines = {"one", "", "three 'q'"};
  root->color = 0x80FF0000;
  root->position.X = 1, root->position.Y = -10, root->position.Z = 0.5f;
  root->blob = {0x00, 0x01, 0xFE, 0xFF, 0x7F};
  root->entries.Add();
  auto& e = static_cast<TEntry&>(root->entries.Add());
  e.label = "second";
  e.value = 7;
  window.OnClick = nullptr;

  auto* child = new TNode(&window);
  child->SetName("Child");
  child->SetParentComponent(root);
  child->width = 1e-7f;
  auto* grandchild = new TNode(&window);
  grandchild->SetName("Grandchild");
  grandchild->SetParentComponent(child);
  grandchild->link = child;
  grandchild->OnClick.Bind([](TPersistent*) {}, "NodeClick");
  root->link = grandchild;  // forward reference
  return root;
}

TEST(ComponentStream, WritesTheNestedTextForm) {
  TWindow window;
  TNode* root = BuildTree(window);
  std::string text = ComponentToText(*root);
  EXPECT_EQ(text.rfind("object Root: TNode\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n  Width = 2.5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  Visible = False\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Kind = nkLeaf\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Caption = 'It''s \"quoted\"'#9'and 图标'\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Color = '#80FF0000'\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Position.Point = '(1,-10,0.5)'\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Link = Grandchild\n"), std::string::npos);
  EXPECT_NE(text.find("\n  Blob = {\n    0001FEFF7F}\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  object Child: TNode\n    Width = 1E-7\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n      OnClick = NodeClick\n"), std::string::npos);
  // Defaults are left out; the nested X/Y/Z are carried by Point only.
  EXPECT_EQ(text.find("Count = 0"), std::string::npos);
  EXPECT_EQ(text.find("Position.X"), std::string::npos);
  // SaveObjectToStream leaves the top name out but keeps it on the object.
  std::string saved = SaveComponentText(*root);
  EXPECT_EQ(saved.rfind("object TNode\n", 0), 0u);
  EXPECT_EQ(root->Name(), "Root");
}

TEST(ComponentStream, StoredTreeReadsBackEqual) {
  TWindow window;
  TNode* original = BuildTree(window);
  std::string text = ComponentToText(*original);

  TWindow other;
  TMemoryStream s(std::vector<uint8_t>(text.begin(), text.end()));
  auto* copy = dynamic_cast<TNode*>(ReadComponent(s, &other));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(ComponentToText(*copy), text);  // every stored value survived

  EXPECT_EQ(copy->Owner(), &other);
  EXPECT_EQ(other.ComponentCount(), 3);
  EXPECT_FLOAT_EQ(copy->width, 2.5f);
  EXPECT_EQ(copy->count, -42);
  EXPECT_EQ(copy->caption, original->caption);
  EXPECT_EQ(copy->lines, original->lines);
  EXPECT_EQ(copy->blob, original->blob);
  EXPECT_FLOAT_EQ(copy->position.Y, -10);
  ASSERT_EQ(copy->entries.Count(), 2);
  EXPECT_EQ(static_cast<TEntry*>(copy->entries.Items(1))->label, "second");
  ASSERT_EQ(copy->children.size(), 1u);
  TNode* child = copy->children[0];
  ASSERT_EQ(child->children.size(), 1u);
  TNode* grandchild = child->children[0];
  // References point into the copy, forward ones included.
  EXPECT_EQ(copy->link, grandchild);
  EXPECT_EQ(grandchild->link, child);
  // Events are bound to the new owner's handlers.
  ASSERT_TRUE(grandchild->OnClick);
  grandchild->OnClick(grandchild);
  EXPECT_EQ(other.clicks, 1);
  // Loaded ran once on every object, after the whole block was read.
  EXPECT_EQ(copy->loaded_calls, 1);
  EXPECT_EQ(grandchild->loaded_calls, 1);
  EXPECT_FALSE(grandchild->IsLoading());
}

TEST(ComponentStream, CloneClearsNamesAndKeepsValues) {
  TWindow window;
  TNode* original = BuildTree(window);
  std::unique_ptr<TComponent> clone(CloneObject(*original, nullptr));
  auto* copy = dynamic_cast<TNode*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "");
  ASSERT_EQ(copy->children.size(), 1u);
  EXPECT_EQ(copy->children[0]->Name(), "");
  EXPECT_EQ(copy->caption, original->caption);
  // Handlers come from the original's owner when the new owner has none.
  TNode* grandchild = copy->children[0]->children[0];
  ASSERT_TRUE(grandchild->OnClick);
  grandchild->OnClick(grandchild);
  EXPECT_EQ(window.clicks, 1);
  EXPECT_EQ(window.last_sender, grandchild);
  // Cloning into the same owner works although the originals keep their names.
  TComponent* second = CloneObject(*original, &window);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Owner(), &window);
}

TEST(ComponentStream, ReadsIntoAnExistingRoot) {
  TWindow window;
  std::string text =
      "object frmMain: TWindow\n"
      "  Caption = 'Facetmint'\n"
      "  OnClick = NodeClick\n"
      "  object Button: TNode\n"
      "    Link = frmMain\n"
      "  end\n"
      "end\n";
  TMemoryStream s(std::vector<uint8_t>(text.begin(), text.end()));
  ReadRootComponent(s, window);
  EXPECT_EQ(window.Name(), "frmMain");
  EXPECT_EQ(window.caption, "Facetmint");
  ASSERT_EQ(window.children.size(), 1u);
  EXPECT_EQ(window.children[0]->Owner(), &window);
  EXPECT_EQ(window.children[0]->link, &window);
  EXPECT_EQ(window.loaded_calls, 1);
  ASSERT_TRUE(window.OnClick);

  // A description of another class is refused and leaves no objects behind.
  TNode plain;
  std::string wrong = "object X: TWindow\n  object Y: TNode\n  end\nend\n";
  TMemoryStream w(std::vector<uint8_t>(wrong.begin(), wrong.end()));
  EXPECT_THROW(ReadRootComponent(w, plain), EReadError);
  EXPECT_EQ(plain.ComponentCount(), 0);
}

TEST(ComponentStream, AcceptsHandWrittenForms) {
  TWindow window;
  std::string text =
      "object TNode\n"
      "  caption = 'a' + \n   'b'#20320'c'\n"
      "  Kind = NKGROUP\n"
      "  Width = -3\n"
      "  Color = -16777216\n"
      "  Lines = ('x'\n 'y')\n"
      "  Entries = <item\n  Label = 'only'\nend>\n"
      "  Blob = {00 ff\n 10}\n"
      "  Link = nil\n"
      "  Link = Nobody\n"
      "end";
  std::unique_ptr<TComponent> made(LoadComponentText(text, nullptr));
  auto* node = dynamic_cast<TNode*>(made.get());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->caption, "ab你c");
  EXPECT_EQ(node->kind, 1);
  EXPECT_FLOAT_EQ(node->width, -3);
  EXPECT_EQ(node->color, 0xFF000000u);
  EXPECT_EQ(node->lines, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(node->entries.Count(), 1);
  EXPECT_EQ(node->blob, (std::vector<uint8_t>{0x00, 0xFF, 0x10}));
  EXPECT_EQ(node->link, nullptr);  // an unknown name leaves the link unassigned
}

TEST(ComponentStream, MalformedTextGivesNullAndLeavesNothing) {
  const char* bad[] = {
      "",
      "object",
      "object A: TNoSuchClass\nend",
      "object A: TTriple\nend",  // not a component
      "object A: TNode\n  Bogus = 1\nend",
      "object A: TNode\n  Width = 'text'\nend",
      "object A: TNode\n  Width = 1.2.3\nend",
      "object A: TNode\n  Count = 1.5\nend",
      "object A: TNode\n  Kind = nkNothing\nend",
      "object A: TNode\n  Visible = 1\nend",
      "object A: TNode\n  Caption = 'unterminated\nend",
      "object A: TNode\n  Caption = #99999999\nend",
      "object A: TNode\n  Blob = {0G}\nend",
      "object A: TNode\n  Blob = {012}\nend",
      "object A: TNode\n  Blob = 'text'\nend",
      "object A: TNode\n  Position.Q = 1\nend",
      "object A: TNode\n  Position.Point = {00}\nend",
      "object A: TNode\n  OnClick = Missing\nend",
      "object A: TNode\n  OnClick = Unfit\nend",
      "object A: TNode\n  Entries = <item Bogus = 1 end>\nend",
      "object A: TNode\n  Entries = <item\nend",
      "object A: TNode\n  Lines = ('a' 3)\nend",
      "object A: TNode\n  Link = 5\nend",
      "object A: TNode\n  object B: TNode\n  end\n",     // missing end
      "object A: TNode\nend\nobject B: TNode\nend",      // two blocks
      "object A: TNode\n  object A: TNode\n  end\nend",  // duplicate name
      "object 1A: TNode\nend",
      "object A: TNode\n  Width = \nend",
      "object A: TNode\n  Width = 1 @\nend",
  };
  for (const char* text : bad) {
    TWindow owner;
    TComponent* got = LoadComponentText(text, &owner);
    EXPECT_EQ(got, nullptr) << text;
    EXPECT_EQ(owner.ComponentCount(), 0) << text;  // partial objects were freed
  }
}

TEST(ComponentStream, EveryTruncationIsHandled) {
  TWindow window;
  std::string text = ComponentToText(*BuildTree(window));
  int accepted = 0;
  for (size_t n = 0; n + 1 < text.size(); ++n) {  // without the final "end"
    TWindow owner;
    TComponent* got = LoadComponentText(text.substr(0, n), &owner);
    if (got) {
      ++accepted;
    } else {
      EXPECT_EQ(owner.ComponentCount(), 0);
    }
  }
  EXPECT_EQ(accepted, 0);  // only the complete text is a complete block
  TWindow owner;
  EXPECT_NE(LoadComponentText(text, &owner), nullptr);
}

TEST(ComponentStream, DeepNestingIsRefused) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "object TNode\n";
  for (int i = 0; i < 400; ++i) text += "end\n";
  EXPECT_EQ(LoadComponentText(text, nullptr), nullptr);
  std::string shallow;
  for (int i = 0; i < 50; ++i) shallow += "object TNode\n";
  for (int i = 0; i < 50; ++i) shallow += "end\n";
  std::unique_ptr<TComponent> ok(LoadComponentText(shallow, nullptr));
  EXPECT_NE(ok, nullptr);
}

TEST(Components, OwnershipNamesAndNotifications) {
  struct TWatcher : TComponent {
    std::vector<TComponent*> removed;
    void Notification(TComponent* c, TOperation op) override {
      if (op == TOperation::Remove) removed.push_back(c);
    }
  };
  TWatcher watcher;
  auto owner = std::make_unique<TComponent>();
  auto* a = new TComponent(owner.get());
  auto* b = new TComponent(owner.get());
  a->SetName("Alpha");
  EXPECT_THROW(b->SetName("ALPHA"), EComponentError);
  EXPECT_THROW(b->SetName("9lives"), EComponentError);
  EXPECT_THROW(b->SetName("has space"), EComponentError);
  b->SetName("Beta");
  EXPECT_EQ(owner->FindComponent("beta"), b);
  a->FreeNotification(&watcher);

  delete b;  // freed before its owner: leaves the owner's list
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->FindComponent("Beta"), nullptr);
  owner.reset();  // frees Alpha
  ASSERT_EQ(watcher.removed.size(), 1u);
  EXPECT_EQ(watcher.removed[0], a);

  TComponent first, second;
  auto* moved = new TComponent(&first);
  second.InsertComponent(moved);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(moved->Owner(), &second);

  TComponent parent;
  auto* child = new TComponent(&parent);
  parent.SetDesigning(true);
  EXPECT_TRUE(child->IsDesigning());
}

}  // namespace
