// The user manual's pages and the help browser's rules that need no window: the page that opens
// first, the table of contents, and where each link of a page leads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvos {

// The page Help > Content shows first; it lists the chapters in their order.
inline constexpr std::string_view kManualFirstPage = "index.html";

struct ManualPage {
    std::string name;  // path inside the manual folder, "settings.html"
    std::string html;
};

// Where a link of a page leads.
struct LinkTarget {
    enum class Kind { Page, External, Broken };
    Kind kind = Kind::Broken;
    std::string page;    // Page: the file inside the manual folder
    std::string anchor;  // Page: the place on it (empty: the top)
};

// `href` as written on page `from`: another file of the manual (relative to `from`'s folder,
// with an optional "#anchor"), a place on the same page ("#anchor"), or an address outside the
// manual (one with a scheme, "https:", "mailto:"). A path that leaves the manual's folder is
// broken.
LinkTarget ResolveLink(std::string_view from, std::string_view href);

// The text of the page's <title>, with its entities decoded and its spaces folded.
std::string PageTitle(std::string_view html);
// Every href of an <a> and every src of an <img>, in order of appearance.
std::vector<std::string> LinksOf(std::string_view html);
// Every id and every <a name>, the places a link can point at.
std::vector<std::string> AnchorsOf(std::string_view html);

struct ManualSection {
    std::string anchor;  // the heading's id
    std::string title;   // its text without tags
};
// The page's <h2> headings that carry an id, in order.
std::vector<ManualSection> SectionsOf(std::string_view html);

struct ContentsEntry {
    std::string page;
    std::string title;
    std::vector<ManualSection> sections;
};

class Manual {
public:
    // `pages`: the HTML pages; `files`: every other file that pages may show (images).
    explicit Manual(std::vector<ManualPage> pages, std::vector<std::string> files = {});

    const ManualPage* Find(std::string_view name) const;
    const std::vector<ManualPage>& Pages() const { return pages_; }

    // The first page, then the pages its links name, in the order they are first named; each
    // with its sections.
    std::vector<ContentsEntry> Contents() const;
    // Pages the contents never reach: nobody could open them from the browser's list.
    std::vector<std::string> PagesOutsideContents() const;
    // "PAGE: HREF (REASON)" for every link that names a missing file or a missing place.
    std::vector<std::string> BrokenLinks() const;

private:
    std::vector<ManualPage> pages_;
    std::vector<std::string> files_;
};

}  // namespace tarvos
