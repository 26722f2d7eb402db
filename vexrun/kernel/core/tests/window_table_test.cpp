// The window layers' shared table of built windows: controls made from the
// layer's own kinds and a support library's, found by id and name, their
// properties, and a clear end for a record the layer cannot build.
#include <gtest/gtest.h>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/window_table.h"

namespace vexrun {
namespace {

struct FakeControl {
    int32_t value = 0;
    PropertyType propertyType(uint32_t property) const {
        return property == 1 ? PropertyType::Integer : property == 2 ? PropertyType::Text : PropertyType::Unknown;
    }
    int32_t integerProperty(uint32_t) const { return value; }
    void setIntegerProperty(uint32_t, int32_t v) { value = v; }
    std::string textProperty(uint32_t) const { return "v" + std::to_string(value); }
    void setTextProperty(uint32_t, std::string_view bytes) { value = int32_t(bytes.size()); }
};
struct Context {
    uint32_t windowId;
};
struct Kind {
    uint32_t kindNumber;
    const char* name;
    FakeControl* (*create)(const Context&, std::string&);
};
struct FakeWindowing {
    uint32_t abi;
    const Kind* kinds;
    uint32_t kindCount;
    std::span<const Kind> kindList() const { return {kinds, kindCount}; }
};

FakeControl* makeFake(const Context&, std::string&) { return new FakeControl; }
FakeControl* refuse(const Context&, std::string& error) {
    error = "its settings are cut short";
    return nullptr;
}
constexpr Kind kBuiltin{0, "label", &makeFake};
constexpr Kind kLibraryKinds[] = {{7, "masked box", &makeFake}, {8, "broken", &refuse}};
constexpr FakeWindowing kWindowing{1, kLibraryKinds, 2};
constexpr SupportLibrary kLibrary{kSupportLibraryAbi, "plintor", 0, nullptr, &kWindowing};

struct Window : BuiltWindow<FakeControl> {};

image::Window record(std::initializer_list<std::pair<uint32_t, uint32_t>> idsAndKinds) {
    image::Window w;
    w.id = 0x52010001;
    w.elements.push_back({});
    w.elements[0].id = 0x52010001;
    w.elements[0].kind = vx::kKindWindow;
    for (auto [id, kind] : idsAndKinds) {
        w.elements.push_back({});
        w.elements.back().id = id;
        w.elements.back().kind = kind;
        w.elements.back().name = "c" + std::to_string(w.elements.size() - 1);
    }
    return w;
}

// `libraries` by library-table position: 1 the kernel's own, 2 plintor.
std::vector<const SupportLibrary*> libraries{nullptr, &kLibrary};

void build(Window& w, const image::Window& r) {
    w.start(r.id, r);
    for (size_t i = 1; i < r.elements.size(); ++i) {
        const uint32_t kind = r.elements[i].kind;
        w.make<FakeWindowing>(r.elements[i].name, kind >> 16 == 1 ? &kBuiltin : nullptr, libraries, Context{r.id});
    }
}

TEST(WindowTable, MakesEachControlOfItsKindAndFindsItByIdAndName) {
    const image::Window r = record({{0x16010001, 0x00010003}, {0x16010002, 0x00020007}});
    WindowTable<Window, FakeControl> table;
    auto w = std::make_unique<Window>();
    build(*w, r);
    table.add(std::move(w));
    EXPECT_EQ(table.first()->kindNames, (std::vector<std::string>{"window", "label", "masked box"}));
    EXPECT_EQ(table.control(r.id, r.id), nullptr);  // the window element has no control
    FakeControl* masked = table.control(r.id, 0x16010002);
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(table.named("c2"), std::make_pair(table.first(), size_t(2)));
    EXPECT_EQ(table.describe(r.id, 0x16010002), "masked box c2 (0x16010002)");
    table.setProperty(r.id, 0x16010002, 1, 0xFFFFFFFF0000002Aull);  // the low half
    EXPECT_EQ(masked->value, 42);
    char* text = reinterpret_cast<char*>(table.getProperty(r.id, 0x16010002, 2));
    EXPECT_STREQ(text, "v42");
    freeBlock(text);
}

TEST(WindowTable, WhatCannotBeBuiltOrFoundEndsTheProgramNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto fails = [](std::initializer_list<std::pair<uint32_t, uint32_t>> controls) {
        const image::Window r = record(controls);
        Window w;
        build(w, r);
    };
    EXPECT_EXIT(fails({{0x16010001, 0x00010003}, {0x16010001, 0x00010003}}), ::testing::ExitedWithCode(3),
                "window 0x52010001 holds control 0x16010001 twice");
    EXPECT_EXIT(fails({{0x16010001, 0x00030001}}), ::testing::ExitedWithCode(3),
                "control c1 is of kind 0x00030001 of library 3, which is not loaded");
    EXPECT_EXIT(fails({{0x16010001, 0x00020009}}), ::testing::ExitedWithCode(3),
                "kind 0x00020009, which support library plintor does not provide");
    EXPECT_EXIT(fails({{0x16010001, 0x00020008}}), ::testing::ExitedWithCode(3),
                "cannot make control c1: its settings are cut short");
    WindowTable<Window, FakeControl> table;
    EXPECT_EXIT(table.getProperty(7, 1, 1), ::testing::ExitedWithCode(3),
                "getting a control property: window 0x00000007 is not loaded");
}

}  // namespace
}  // namespace vexrun
