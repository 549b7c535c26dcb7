// xml.dll as the update check uses it: documents in, nodes out in document order; hostile or
// broken text gives no document.
#include <gtest/gtest.h>

#include <string>

#include "formats/plugins.h"
#include "libs/xml/xmlnode.h"
#include "support/testsupport.h"

namespace {

struct XmlApi {
    XmlLoadStringFn load;
    XmlWalkNextFn walk;
    XmlFreeDocumentFn release;
};

bool BindXml(XmlApi* api)
{
    ResetPluginsForTests(TestProgramFolder().c_str());
    if (!LoadPlugin(PLUGIN_XML)) return false;
    api->load = (XmlLoadStringFn)PluginExport(PLUGIN_XML, "xmlLoadString");
    api->walk = (XmlWalkNextFn)PluginExport(PLUGIN_XML, "xmlWalkNext");
    api->release = (XmlFreeDocumentFn)PluginExport(PLUGIN_XML, "xmlFreeDocument");
    return api->load && api->walk && api->release;
}

// One line per node: "E:name" for elements, "T:parent=value" for text nodes.
std::string DescribeWalk(const XmlApi& api, XmlNode* root)
{
    std::string out;
    for (XmlNode* node = root; node; node = api.walk(node, root, 1)) {
        if (node->kind == XML_NODE_ELEMENT) {
            out += "E:" + std::string(node->name) + (node->parent ? "" : "(root)") + "\n";
        } else if (node->kind == XML_NODE_TEXT) {
            const char* parent = node->parent && node->parent->kind == XML_NODE_ELEMENT ? node->parent->name : "?";
            out += "T:" + std::string(parent) + "=" + node->value + "\n";
        } else {
            out += "?\n";
        }
    }
    return out;
}

std::string Repeat(const std::string& piece, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

}  // namespace

TEST(XmlLibrary, WellFormedDocumentsWalkInDocumentOrder)
{
    XmlApi api{};
    ASSERT_TRUE(BindXml(&api)) << "xml.dll with its three exports beside the test";
    struct Case {
        const char* what;
        std::string text;
        std::string walk;
    } cases[] = {
        {"one element", "<a>x</a>", "E:a(root)\nT:a=x\n"},
        {"declaration, nesting, siblings",
         "<?xml version=\"1.0\"?><list><item><name>Kelvora.exe</name><version>1.3</version></item></list>",
         "E:list(root)\nE:item\nE:name\nT:name=Kelvora.exe\nE:version\nT:version=1.3\n"},
        {"predefined entities and character references are text", "<a>&lt;b&gt; &amp; &#65;</a>",
         "E:a(root)\nT:a=<b> & A\n"},
        {"mixed content keeps each run", "<a>one<b/>two</a>", "E:a(root)\nT:a=one\nE:b\nT:a=two\n"},
        {"attributes are not nodes", "<a k=\"v\"><b x='1'>t</b></a>", "E:a(root)\nE:b\nT:b=t\n"},
        {"CDATA is text", "<a><![CDATA[<not a tag>]]></a>", "E:a(root)\nT:a=<not a tag>\n"},
        {"empty root", "<root/>", "E:root(root)\n"},
        {"nesting of 200 is fine", Repeat("<d>", 200) + "x" + Repeat("</d>", 200),
         Repeat("E:d\n", 200).replace(0, 4, "E:d(root)\n") + "T:d=x\n"},
    };
    for (const Case& c : cases) {
        XmlNode* root = api.load(0, c.text.c_str(), 0);
        ASSERT_NE(root, nullptr) << c.what;
        EXPECT_EQ(DescribeWalk(api, root), c.walk) << c.what;
        api.release(root);
    }
}

TEST(XmlLibrary, BrokenAndHostileTextGivesNoDocument)
{
    XmlApi api{};
    ASSERT_TRUE(BindXml(&api));
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"" + Repeat("ha", 50) + "\">" +
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">" +
        "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><l>&d;&d;&d;&d;</l>";
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty text", ""},
        {"not XML at all", "HTTP/1.1 404 Not Found\r\n\r\nnothing here"},
        {"unclosed element", "<a><b>text</b>"},
        {"crossed tags", "<a><b></a></b>"},
        {"two roots", "<a/><b/>"},
        {"undefined entity", "<a>&nope;</a>"},
        {"nested entities (billion laughs)", laughs},
        {"internal entity used once", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"},
        {"external entity", "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///c:/windows/win.ini\">]><a>&e;</a>"},
        {"external document type", "<!DOCTYPE a SYSTEM \"http://127.0.0.1:1/x.dtd\"><a>&e;</a>"},
        {"nesting of 300", Repeat("<d>", 300) + Repeat("</d>", 300)},
        {"document cut in the middle", "<versions><name>Kelvora.exe</name><vers"},
        {"binary bytes", std::string("<a>\x01\x02</a>", 9)},
    };
    for (const Case& c : cases) {
        XmlNode* root = api.load(0, c.text.c_str(), static_cast<int>(c.text.size()));
        EXPECT_EQ(root, nullptr) << c.what;
        api.release(root);
    }
}

TEST(XmlLibrary, WalkWithoutDescendSkipsChildrenAndStaysInsideTheRoot)
{
    XmlApi api{};
    ASSERT_TRUE(BindXml(&api));
    XmlNode* root = api.load(0, "<r><a><x/></a><b/></r>", 0);
    ASSERT_NE(root, nullptr);
    XmlNode* a = api.walk(root, root, 1);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->name, "a");
    XmlNode* b = api.walk(a, root, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->name, "b");
    EXPECT_EQ(api.walk(b, root, 1), nullptr);
    // Walking a subtree ends at its last node, not at the document's next one.
    XmlNode* x = api.walk(a, a, 1);
    ASSERT_NE(x, nullptr);
    EXPECT_STREQ(x->name, "x");
    EXPECT_EQ(api.walk(x, a, 1), nullptr);
    EXPECT_EQ(api.walk(nullptr, root, 1), nullptr);
    api.release(root);
}
