// The manual's page rules: where a link leads, what a page offers as places and sections, the
// contents in the order of the first page, and the broken links a page set is checked for.
#include <gtest/gtest.h>

#include "app/manual_pages.h"

namespace tarvos {
namespace {

struct LinkCase {
    const char* from;
    const char* href;
    LinkTarget::Kind kind;
    const char* page;
    const char* anchor;
};

TEST(ManualLinks, ResolveRelativeToTheirPage) {
    using Kind = LinkTarget::Kind;
    const LinkCase cases[] = {
        {"index.html", "sweep.html", Kind::Page, "sweep.html", ""},
        {"index.html", "settings.html#port-settings", Kind::Page, "settings.html", "port-settings"},
        {"sweep.html", "#steps", Kind::Page, "sweep.html", "steps"},
        {"sweep.html", "#", Kind::Page, "sweep.html", ""},
        {"sub/a.html", "b.html", Kind::Page, "sub/b.html", ""},
        {"sub/a.html", "../index.html?x=1#top", Kind::Page, "index.html", "top"},
        {"index.html", "./end.html", Kind::Page, "end.html", ""},
        {"index.html", "https://example.org/x.html", Kind::External, "", ""},
        {"index.html", "mailto:lab@example.org", Kind::External, "", ""},
        {"index.html", "../README.md", Kind::Broken, "", ""},
        {"index.html", "/etc/passwd", Kind::Broken, "", ""},
        {"index.html", "", Kind::Broken, "", ""},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.href);
        const LinkTarget target = ResolveLink(c.from, c.href);
        EXPECT_EQ(target.kind, c.kind);
        if (c.kind != Kind::Page) continue;
        EXPECT_EQ(target.page, c.page);
        EXPECT_EQ(target.anchor, c.anchor);
    }
}

TEST(ManualPages, TitleLinksPlacesAndSectionsAreReadFromTheMarkup) {
    const std::string html =
        "<!DOCTYPE html><html><head><TITLE>Ports &amp;\n  Cables</TITLE></head><body>"
        "<!-- <a href=\"commented.html\"> -->"
        "<h2 id='serial'>Serial <code>COM</code> ports</h2><h2>No id</h2>"
        "<p id=intro><A HREF=\"a.html#x\">a</A> <a name=\"old\"></a> <img src='pic.png' alt=\"&lt;\"></p>"
        "<a href=\"b.html\"";  // cut short: still read, never past the end
    EXPECT_EQ(PageTitle(html), "Ports & Cables");
    EXPECT_EQ(LinksOf(html), (std::vector<std::string>{"a.html#x", "pic.png", "b.html"}));
    EXPECT_EQ(AnchorsOf(html), (std::vector<std::string>{"serial", "intro", "old"}));
    const std::vector<ManualSection> sections = SectionsOf(html);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].anchor, "serial");
    EXPECT_EQ(sections[0].title, "Serial COM ports");
}

Manual SmallManual() {
    return Manual(
        std::vector<ManualPage>{
            {"index.html",
             "<title>Manual</title><a href=\"b.html\">B</a> <a href=\"a.html#two\">A</a> <a href=\"b.html#one\">B</a>"
             " <a href=\"https://example.org\">web</a>"},
            {"a.html", "<title>Page A</title><h2 id=\"two\">Two</h2><a href=\"#two\">up</a><img src=\"pic.png\">"},
            {"b.html", "<title>Page B</title><h2 id=\"one\">One</h2><a href=\"index.html\">home</a>"},
            {"c.html", "<title>Loose</title>"},
        },
        {"pic.png"});
}

TEST(ManualContents, FollowTheFirstPageAndNameTheLoosePages) {
    const Manual manual = SmallManual();
    const std::vector<ContentsEntry> contents = manual.Contents();
    ASSERT_EQ(contents.size(), 3u);
    EXPECT_EQ(contents[0].page, "index.html");
    EXPECT_EQ(contents[0].title, "Manual");
    EXPECT_EQ(contents[1].page, "b.html");
    EXPECT_EQ(contents[2].page, "a.html");
    ASSERT_EQ(contents[2].sections.size(), 1u);
    EXPECT_EQ(contents[2].sections[0].anchor, "two");
    EXPECT_EQ(manual.PagesOutsideContents(), (std::vector<std::string>{"c.html"}));
    EXPECT_TRUE(manual.BrokenLinks().empty());
    EXPECT_TRUE(Manual(std::vector<ManualPage>{}).Contents().empty());
}

TEST(ManualContents, BrokenLinksNameThePageTheLinkAndWhy) {
    const Manual manual(
        std::vector<ManualPage>{
            {"index.html",
             "<a href=\"gone.html\">x</a><a href=\"a.html#nowhere\">y</a><a href=\"../out.html\">z</a>"
             "<img src=\"missing.png\"><a href=\"a.html#here\">fine</a>"},
            {"a.html", "<h2 id=\"here\">Here</h2>"},
        });
    EXPECT_EQ(manual.BrokenLinks(), (std::vector<std::string>{
                                        "index.html: gone.html (no such page)",
                                        "index.html: a.html#nowhere (no such place on a.html)",
                                        "index.html: ../out.html (not a place in the manual)",
                                        "index.html: missing.png (no such file)",
                                    }));
}

}  // namespace
}  // namespace tarvos
