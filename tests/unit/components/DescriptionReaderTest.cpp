#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/DescriptionReader.h"
#include "platform/Exceptions.h"
#include "platform/Properties.h"
#include "platform/Strings.h"

using namespace qlry;

namespace {

std::vector<std::string> loadedOrder;

enum TItemKind { ikPlain, ikFancy, ikOther };
const TEnumInfo itemKinds{"ikPlain", "ikFancy", "ikOther"};

class TTestFont : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info("TTestFont", nullptr, nullptr,
                                     {StringProperty<TTestFont>("Name", &TTestFont::Name, &TTestFont::SetName),
                                      IntegerProperty<TTestFont>("Size", &TTestFont::Size, &TTestFont::SetSize)});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }

private:
    std::string name_;
    int size_ = 8;
};

class TTestItem : public TComponent {
public:
    explicit TTestItem(TComponent* owner) : TComponent(owner), constructedLoading(IsLoading()) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int Count() const { return count_; }
    void SetCount(int value) { count_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    TItemKind Kind() const { return kind_; }
    void SetKind(TItemKind value) { kind_ = value; }
    unsigned Kinds() const { return kinds_; }
    void SetKinds(unsigned value) { kinds_ = value; }
    double Ratio() const { return ratio_; }
    void SetRatio(double value) { ratio_ = value; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) {
        caption_ = value;
        captionSetWhileLoading = IsLoading();
    }
    TTestItem* Partner() const { return partner_; }
    void SetPartner(TTestItem* value) { partner_ = value; }
    TStringList* Lines() { return &lines_; }
    TTestFont* Font() { return &font_; }

    void Loaded() override {
        TComponent::Loaded();
        loadedOrder.push_back(Name());
        partnerAtLoaded = partner_ ? partner_->Name() : "";
    }
    void SetParentComponent(TComponent* parent) override { parent_ = parent; }
    TComponent* GetParentComponent() const override { return parent_; }

    std::function<void(TObject*)> OnPing;
    bool constructedLoading;
    bool captionSetWhileLoading = false;
    std::string partnerAtLoaded;

private:
    int count_ = 0;
    bool enabled_ = true;
    TItemKind kind_ = ikPlain;
    unsigned kinds_ = 0;
    double ratio_ = 0;
    std::string caption_;
    TTestItem* partner_ = nullptr;
    TStringList lines_;
    TTestFont font_;
    TComponent* parent_ = nullptr;
};

const TClassInfo& TTestItem::StaticClassInfo() {
    static const TClassInfo info(
        "TTestItem", &TComponent::StaticClassInfo(), FactoryOf<TTestItem>(),
        {
            IntegerProperty<TTestItem>("Count", &TTestItem::Count, &TTestItem::SetCount),
            BooleanProperty<TTestItem>("Enabled", &TTestItem::Enabled, &TTestItem::SetEnabled, true),
            EnumProperty<TTestItem, TItemKind>("Kind", itemKinds, &TTestItem::Kind, &TTestItem::SetKind),
            SetProperty<TTestItem>("Kinds", itemKinds, &TTestItem::Kinds, &TTestItem::SetKinds),
            FloatProperty<TTestItem>("Ratio", &TTestItem::Ratio, &TTestItem::SetRatio),
            StringProperty<TTestItem>("Caption", &TTestItem::Caption, &TTestItem::SetCaption),
            ComponentProperty<TTestItem, TTestItem>("Partner", &TTestItem::Partner, &TTestItem::SetPartner),
            EventProperty<TTestItem>("OnPing", &TTestItem::OnPing),
            StringsProperty<TTestItem>("Lines", &TTestItem::Lines),
            ObjectProperty<TTestItem>("Font", &TTestItem::Font),
        });
    return info;
}

const TClassRegistration registration(TTestItem::StaticClassInfo());

// A root with a published handler, as a form is.
class TTestRoot : public TTestItem {
public:
    explicit TTestRoot(TComponent* owner = nullptr) : TTestItem(owner) {
        PublishMethod("RootPing", std::function<void(TObject*)>([this](TObject*) { ++pings; }));
        PublishMethod("WrongShape", std::function<void(int)>([](int) {}));
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info("TTestRoot", &TTestItem::StaticClassInfo(), nullptr, {});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    TTestItem* Item(const char* name) const { return dynamic_cast<TTestItem*>(FindComponent(name)); }
    int pings = 0;
};

class DescriptionReader : public testing::Test {
protected:
    void SetUp() override { loadedOrder.clear(); }
};

} // namespace

TEST_F(DescriptionReader, ReferenceToAComponentStoredLaterIsResolved) {
    TTestRoot root;
    ReadDescription(&root,
                    "object Root: TTestRoot\n"
                    "  object Directory1: TTestItem\n"
                    "    Partner = Group1\n"
                    "  end\n"
                    "  object Group1: TTestItem\n"
                    "    Partner = Root\n"
                    "  end\n"
                    "end\n");
    ASSERT_NE(root.Item("Directory1"), nullptr);
    EXPECT_EQ(root.Item("Directory1")->Partner(), root.Item("Group1"));
    EXPECT_EQ(root.Item("Group1")->Partner(), &root);
    // Every reference is in place before the first Loaded runs.
    EXPECT_EQ(root.Item("Directory1")->partnerAtLoaded, "Group1");
}

TEST_F(DescriptionReader, LoadedRunsInCreationOrderAfterEverythingIsRead) {
    TTestRoot root;
    ReadDescription(&root,
                    "object Root: TTestRoot\n"
                    "  object B: TTestItem\n"
                    "    object A: TTestItem\n"
                    "    end\n"
                    "  end\n"
                    "  object C: TTestItem\n"
                    "    Caption = 'c'\n"
                    "  end\n"
                    "end\n");
    EXPECT_EQ(loadedOrder, (std::vector<std::string>{"Root", "B", "A", "C"}));
    TTestItem* c = root.Item("C");
    EXPECT_TRUE(c->constructedLoading);
    EXPECT_TRUE(c->captionSetWhileLoading);
    EXPECT_FALSE(c->IsLoading());
    // Nested objects belong to the root and have their enclosing object as parent.
    EXPECT_EQ(root.Item("A")->Owner(), &root);
    EXPECT_EQ(root.Item("A")->GetParentComponent(), root.Item("B"));
    EXPECT_EQ(root.Item("B")->GetParentComponent(), &root);
    // Components created outside a read are not loading.
    EXPECT_FALSE(TTestItem(nullptr).constructedLoading);
}

TEST_F(DescriptionReader, ValuesOfEveryKindReachTheirProperties) {
    TTestRoot root;
    ReadDescription(&root,
                    "object Root: TTestRoot\n"
                    "  Caption = 'It''s'#13#10'two' +\n"
                    "    ' lines'\n"
                    "  Count = -42\n"
                    "  Tag = $1F\n"
                    "  Enabled = False\n"
                    "  Kind = ikFancy\n"
                    "  Kinds = [ikPlain, ikOther]\n"
                    "  Ratio = 2.5\n"
                    "  OnPing = RootPing\n"
                    "  Lines = (\n"
                    "    'first'\n"
                    "    ''\n"
                    "    '\xC4nderung')\n"
                    "  Font.Name = 'MS Sans Serif'\n"
                    "  Font.Size = 10\n"
                    "end\n");
    EXPECT_EQ(root.Name(), "Root");
    EXPECT_EQ(root.Caption(), "It's\r\ntwo lines");
    EXPECT_EQ(root.Count(), -42);
    EXPECT_EQ(root.Tag(), 31);
    EXPECT_FALSE(root.Enabled());
    EXPECT_EQ(root.Kind(), ikFancy);
    EXPECT_EQ(root.Kinds(), 0b101u);
    EXPECT_DOUBLE_EQ(root.Ratio(), 2.5);
    ASSERT_EQ(root.Lines()->Count(), 3);
    EXPECT_EQ(root.Lines()->Strings(2), "\xC4nderung");
    EXPECT_EQ(root.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(root.Font()->Size(), 10);
    ASSERT_TRUE(root.OnPing);
    root.OnPing(&root);
    EXPECT_EQ(root.pings, 1);
}

TEST_F(DescriptionReader, MalformedDescriptionFailsNamingItsLine) {
    struct Case {
        const char* what;
        std::string body;  // lines 2.. of the description
        std::string message;
    };
    const std::vector<Case> cases = {
        {"unknown class", "  object X: TNoSuchClass\n  end\n", "Class TNoSuchClass not found on line 2"},
        {"unknown property", "  Count = 1\n  Colour = 3\n", "Property Colour does not exist on line 3"},
        {"unknown nested property", "  Font.Weight = 3\n", "Property Font.Weight does not exist on line 2"},
        {"text for an integer", "  Count = 'many'\n", "Invalid value for property Count on line 2"},
        {"unknown enumeration value", "\n  Kind = ikHuge\n", "Invalid value for property Kind on line 3"},
        {"integer for a boolean", "  Enabled = 1\n", "Invalid value for property Enabled on line 2"},
        {"unknown set element", "  Kinds = [ikPlain, ikNone]\n", "Invalid value for property Kinds on line 2"},
        {"missing component", "  object A: TTestItem\n    Partner = Nobody\n  end\n", "Component Nobody not found on line 3"},
        {"missing handler", "  OnPing = NoSuchMethod\n", "Method NoSuchMethod not found on line 2"},
        {"unterminated string", "  Caption = 'open\n", "Unterminated string on line 2"},
        {"missing equals", "  Caption 'x'\n", "'=' expected on line 2"},
        {"missing end", "  object A: TTestItem\n", "'end' expected on line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestRoot root;
        std::string text = "object Root: TTestRoot\n" + c.body;
        if (c.message.find("'end' expected") == std::string::npos) text += "end\n";
        try {
            ReadDescription(&root, text);
            ADD_FAILURE() << "no error";
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST_F(DescriptionReader, HandlerOfTheWrongTypeIsRefused) {
    TTestRoot root;
    EXPECT_THROW(ReadDescription(&root, "object Root: TTestRoot\n  OnPing = WrongShape\nend\n"), EPropertyError);
}

TEST_F(DescriptionReader, DuplicateNameInADescriptionFails) {
    TTestRoot root;
    EXPECT_THROW(ReadDescription(&root,
                                 "object Root: TTestRoot\n"
                                 "  object A: TTestItem\n  end\n"
                                 "  object a: TTestItem\n  end\n"
                                 "end\n"),
                 EComponentError);
}
