// The plugin registry, StructsCheck, LoadPlugin and the plugin file's root.

#include "structview/PluginRegistry.h"
#include "structview/PluginFile.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

std::shared_ptr<pugi::xml_document> Parse(const char* text, unsigned flags = pugi::parse_default) {
    auto doc = std::make_shared<pugi::xml_document>();
    EXPECT_TRUE(doc->load_string(text, flags));
    return doc;
}

TEST(PluginRegistry, RegisteredKeysPointAtTheirLatestElement) {
    auto doc = Parse(R"(<p class="c"><struct name="a"/><struct name="b"/></p>)");
    const pugi::xml_node root = doc->first_child();
    PluginRegistry registry;
    EXPECT_EQ(registry.Register("c", root), 0);
    EXPECT_EQ(registry.Register("c>a", root.first_child()), 1);
    EXPECT_EQ(registry.Register("c>a", root.last_child()), 2);
    EXPECT_EQ(registry.Lookup("c"), root);
    EXPECT_EQ(registry.Lookup("c>a"), root.last_child());
    EXPECT_EQ(registry.XmlNodeArray().size(), 3u);
}

TEST(PluginRegistry, AnUnknownKeyResolvesToTheRoot) {
    auto doc = Parse(R"(<p class="c"><struct name="a"/></p>)");
    PluginRegistry registry;
    registry.Register("c", doc->first_child());
    registry.Register("c>a", doc->first_child().first_child());
    EXPECT_EQ(registry.Lookup("c>zzz"), doc->first_child());
    EXPECT_EQ(registry.Lookup(""), doc->first_child());
    EXPECT_EQ(registry.Lookup("C>A"), doc->first_child()) << "keys are exact";
}

TEST(PluginRegistry, AnEmptyRegistryResolvesToTheEmptyNode) {
    PluginRegistry registry;
    const pugi::xml_node node = registry.Lookup("anything");
    EXPECT_TRUE(node.empty());
    EXPECT_FALSE(StructsCheck(node));
    EXPECT_EQ(GetAttribute(node, "offset"), "");
}

TEST(PluginRegistry, ResetEmptiesTheArrayAndKeepsTheDictionary) {
    auto doc = Parse(R"(<p class="c"><struct name="a"/></p>)");
    PluginRegistry registry;
    registry.Adopt(doc);
    registry.Register("c", doc->first_child());
    registry.Register("c>a", doc->first_child().first_child());
    registry.Reset();
    EXPECT_TRUE(registry.XmlNodeArray().empty());
    EXPECT_EQ(registry.XmlNodeArrayDictionary().size(), 2u);
    EXPECT_TRUE(registry.Lookup("c>a").empty()) << "a stale index finds no element";
    EXPECT_EQ(doc.use_count(), 1) << "the document is let go";
}

TEST(StructsCheck, FindsStructChildrenInAnyCase) {
    auto doc = Parse(R"(<r>
      <a><int/><STRUCT/></a>
      <b><float/><structs/><struc/></b>
      <c><!-- struct --></c>
      <d>struct</d>
      <e><sTrUcT/></e>
      <f/>
    </r>)",
                     pugi::parse_default | pugi::parse_comments);
    const pugi::xml_node r = doc->first_child();
    EXPECT_TRUE(StructsCheck(r.child("a")));
    EXPECT_FALSE(StructsCheck(r.child("b")));
    EXPECT_FALSE(StructsCheck(r.child("c")));
    EXPECT_FALSE(StructsCheck(r.child("d")));
    EXPECT_TRUE(StructsCheck(r.child("e")));
    EXPECT_FALSE(StructsCheck(r.child("f")));
}

TEST(LoadPlugin, InstallsTheRootUnderItsClass) {
    auto doc = Parse(R"(<plugin class="weap" headersize="256"><struct name="a"/></plugin>)");
    PluginRegistry registry;
    const std::optional<std::string> installed = LoadPlugin(registry, doc);
    ASSERT_EQ(installed, "weap");
    ASSERT_EQ(registry.XmlNodeArray().size(), 1u);
    EXPECT_EQ(registry.XmlNodeArray()[0], doc->first_child());
    EXPECT_EQ(registry.Lookup("weap"), doc->first_child());
}

TEST(LoadPlugin, ARootWithoutStructsInstallsNothing) {
    auto doc = Parse(R"(<plugin class="weap"><!-- c --><float name="x"/></plugin>)");
    PluginRegistry registry;
    EXPECT_FALSE(LoadPlugin(registry, doc).has_value());
    EXPECT_TRUE(registry.XmlNodeArray().empty());
    EXPECT_TRUE(registry.XmlNodeArrayDictionary().empty());
}

TEST(LoadPlugin, AnAbsentClassAttributeIsTheEmptyClass) {
    auto doc = Parse(R"(<plugin><struct name="a"/></plugin>)");
    PluginRegistry registry;
    EXPECT_EQ(LoadPlugin(registry, doc), "");
}

TEST(PluginRoot, IsTheFirstChildWhenItIsAnElement) {
    auto doc = Parse(R"(<first class="a"/>)");
    EXPECT_STREQ(PluginRoot(*doc).name(), "first");
}

TEST(PluginRoot, SkipsCommentsAndInstructionsBeforeTheFirstElement) {
    auto doc = Parse("<!-- a --><?pi x?><root class=\"c\"/>",
                     pugi::parse_default | pugi::parse_comments | pugi::parse_pi);
    ASSERT_NE(doc->first_child().type(), pugi::node_element);
    EXPECT_STREQ(PluginRoot(*doc).name(), "root");
}

TEST(PluginRoot, IsEmptyForADocumentWithoutElements) {
    pugi::xml_document doc;
    EXPECT_TRUE(PluginRoot(doc).empty());
}

TEST(LineAt, CountsNewlinesBeforeTheOffset) {
    EXPECT_EQ(LineAt("", 0), 1);
    EXPECT_EQ(LineAt("ab\ncd\nef", 2), 1);
    EXPECT_EQ(LineAt("ab\ncd\nef", 3), 2);
    EXPECT_EQ(LineAt("ab\ncd\nef", 7), 3);
    EXPECT_EQ(LineAt("ab\ncd\nef", 1000), 3);
    EXPECT_EQ(LineAt("ab\ncd", -5), 1);
}

} // namespace
} // namespace pelmar::test
