#include "app/manual_pages.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace tarvos {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

// Case-insensitive search for an ASCII word such as "</h2".
std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from) {
    if (word.empty() || text.size() < word.size()) return std::string_view::npos;
    for (std::size_t i = from; i + word.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < word.size() && Lower(text[i + k]) == word[k]) ++k;
        if (k == word.size()) return i;
    }
    return std::string_view::npos;
}

struct Tag {
    std::string name;  // lower case; "/h2" for a closing tag
    std::vector<std::pair<std::string, std::string>> attributes;
    std::size_t end = 0;  // just after the '>'

    std::optional<std::string> Attribute(std::string_view key) const {
        for (const auto& [k, v] : attributes)
            if (k == key) return v;
        return std::nullopt;
    }
};

// The tag whose '<' is at `pos`; every step moves forward, so a tag without its '>' simply ends
// at the end of the text.
Tag ReadTag(std::string_view html, std::size_t pos) {
    Tag tag;
    std::size_t i = pos + 1;
    if (i < html.size() && html[i] == '/') tag.name += html[i++];
    while (i < html.size() && (IsAlpha(html[i]) || IsDigit(html[i]))) tag.name += Lower(html[i++]);
    while (i < html.size() && html[i] != '>') {
        if (IsSpace(html[i]) || html[i] == '/') {
            ++i;
            continue;
        }
        std::string key;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/')
            key += Lower(html[i++]);
        if (key.empty()) {  // a stray '=' or quote
            ++i;
            continue;
        }
        std::string value;
        if (i < html.size() && html[i] == '=') {
            ++i;
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                while (i < html.size() && html[i] != quote) value += html[i++];
                if (i < html.size()) ++i;
            } else {
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') value += html[i++];
            }
        }
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    tag.end = i < html.size() ? i + 1 : html.size();
    return tag;
}

// Calls `visit` for every tag of the page, comments and declarations left out.
void ForEachTag(std::string_view html, const std::function<void(const Tag&)>& visit) {
    std::size_t pos = html.find('<');
    while (pos != std::string_view::npos) {
        std::size_t next = pos + 1;
        if (html.substr(pos, 4) == "<!--") {
            const std::size_t close = html.find("-->", pos + 4);
            next = close == std::string_view::npos ? html.size() : close + 3;
        } else if (pos + 1 < html.size() && (html[pos + 1] == '!' || html[pos + 1] == '?')) {
            const std::size_t close = html.find('>', pos);
            next = close == std::string_view::npos ? html.size() : close + 1;
        } else {
            const Tag tag = ReadTag(html, pos);
            if (!tag.name.empty() && tag.name != "/") visit(tag);
            next = std::max(tag.end, pos + 1);
        }
        pos = html.find('<', next);
    }
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The entity at text[pos] == '&' as text, and its length; none when it is not one we know.
std::optional<std::pair<std::string, std::size_t>> Entity(std::string_view text, std::size_t pos) {
    const std::size_t semicolon = text.find(';', pos);
    if (semicolon == std::string_view::npos || semicolon - pos > 10) return std::nullopt;
    const std::string_view name = text.substr(pos + 1, semicolon - pos - 1);
    const std::size_t length = semicolon - pos + 1;
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"},
        {"ndash", "\xE2\x80\x93"}, {"mdash", "\xE2\x80\x94"}, {"times", "\xC3\x97"}, {"middot", "\xC2\xB7"}};
    for (const auto& [key, value] : kNamed)
        if (name == key) return std::make_pair(std::string(value), length);
    if (name.size() < 2 || name[0] != '#') return std::nullopt;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    std::uint32_t code = 0;
    for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i) {
        const char c = Lower(name[i]);
        const int digit = IsDigit(c) ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0 || code > 0x10FFFF) return std::nullopt;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    std::string out;
    AppendUtf8(out, code);
    return std::make_pair(out, length);
}

// Markup as a reader sees it: tags dropped, entities decoded, runs of white space one blank.
std::string PlainText(std::string_view markup) {
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < markup.size();) {
        const char c = markup[i];
        if (c == '<') {
            const std::size_t close = markup.find('>', i);
            i = close == std::string_view::npos ? markup.size() : close + 1;
            continue;
        }
        if (IsSpace(c)) {
            space = !out.empty();
            ++i;
            continue;
        }
        if (space) out += ' ';
        space = false;
        if (c == '&') {
            if (const auto entity = Entity(markup, i)) {
                out += entity->first;
                i += entity->second;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

// The markup between the end of an opening tag and its closing tag `closing` ("</title").
std::string_view Inner(std::string_view html, const Tag& open, std::string_view closing) {
    const std::size_t close = FindNoCase(html, closing, open.end);
    return html.substr(open.end, (close == std::string_view::npos ? html.size() : close) - open.end);
}

bool IsHtml(std::string_view name) {
    const std::string lower = Lowered(name);
    return lower.ends_with(".html") || lower.ends_with(".htm");
}

// Whether `href` begins with a URL scheme ("https:", "mailto:").
bool HasScheme(std::string_view href) {
    const std::size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAlpha(href[0])) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = href[i];
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

}  // namespace

LinkTarget ResolveLink(std::string_view from, std::string_view href) {
    LinkTarget target;
    if (href.empty()) return target;
    if (HasScheme(href)) {
        target.kind = LinkTarget::Kind::External;
        return target;
    }
    const std::size_t hash = href.find('#');
    std::string_view path = href.substr(0, hash);
    if (hash != std::string_view::npos) target.anchor = std::string(href.substr(hash + 1));
    path = path.substr(0, path.find('?'));
    if (path.empty()) {
        target.kind = LinkTarget::Kind::Page;
        target.page = std::string(from);
        return target;
    }
    if (path.front() == '/') return target;  // outside the manual's folder

    std::vector<std::string> parts;
    const std::size_t slash = from.rfind('/');
    std::string joined = slash == std::string_view::npos ? std::string() : std::string(from.substr(0, slash + 1));
    joined += path;
    std::size_t start = 0;
    while (start <= joined.size()) {
        const std::size_t end = std::min(joined.find('/', start), joined.size());
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return target;  // above the manual's folder
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) return target;
    for (const std::string& part : parts) {
        if (!target.page.empty()) target.page += '/';
        target.page += part;
    }
    target.kind = LinkTarget::Kind::Page;
    return target;
}

std::string PageTitle(std::string_view html) {
    std::string title;
    bool found = false;
    ForEachTag(html, [&](const Tag& tag) {
        if (found || tag.name != "title") return;
        found = true;
        title = PlainText(Inner(html, tag, "</title"));
    });
    return title;
}

std::vector<std::string> LinksOf(std::string_view html) {
    std::vector<std::string> links;
    ForEachTag(html, [&](const Tag& tag) {
        const char* key = tag.name == "a" ? "href" : tag.name == "img" ? "src" : nullptr;
        if (key == nullptr) return;
        if (auto value = tag.Attribute(key)) links.push_back(PlainText(*value));
    });
    return links;
}

std::vector<std::string> AnchorsOf(std::string_view html) {
    std::vector<std::string> anchors;
    ForEachTag(html, [&](const Tag& tag) {
        if (tag.name.starts_with('/')) return;
        if (auto id = tag.Attribute("id")) anchors.push_back(*id);
        if (tag.name == "a")
            if (auto name = tag.Attribute("name")) anchors.push_back(*name);
    });
    return anchors;
}

std::vector<ManualSection> SectionsOf(std::string_view html) {
    std::vector<ManualSection> sections;
    ForEachTag(html, [&](const Tag& tag) {
        if (tag.name != "h2") return;
        const auto id = tag.Attribute("id");
        if (!id || id->empty()) return;
        sections.push_back({*id, PlainText(Inner(html, tag, "</h2"))});
    });
    return sections;
}

Manual::Manual(std::vector<ManualPage> pages, std::vector<std::string> files)
    : pages_(std::move(pages)), files_(std::move(files)) {}

const ManualPage* Manual::Find(std::string_view name) const {
    for (const ManualPage& page : pages_)
        if (page.name == name) return &page;
    return nullptr;
}

std::vector<ContentsEntry> Manual::Contents() const {
    std::vector<ContentsEntry> contents;
    const ManualPage* first = Find(kManualFirstPage);
    if (first == nullptr) return contents;
    auto add = [&](const ManualPage& page) {
        std::string title = PageTitle(page.html);
        contents.push_back({page.name, title.empty() ? page.name : std::move(title), SectionsOf(page.html)});
    };
    add(*first);
    for (const std::string& href : LinksOf(first->html)) {
        const LinkTarget target = ResolveLink(first->name, href);
        if (target.kind != LinkTarget::Kind::Page || !IsHtml(target.page)) continue;
        const ManualPage* page = Find(target.page);
        const bool listed = std::any_of(contents.begin(), contents.end(),
                                        [&](const ContentsEntry& entry) { return entry.page == target.page; });
        if (page != nullptr && !listed) add(*page);
    }
    return contents;
}

std::vector<std::string> Manual::PagesOutsideContents() const {
    const std::vector<ContentsEntry> contents = Contents();
    std::vector<std::string> outside;
    for (const ManualPage& page : pages_) {
        const bool listed = std::any_of(contents.begin(), contents.end(),
                                        [&](const ContentsEntry& entry) { return entry.page == page.name; });
        if (!listed) outside.push_back(page.name);
    }
    return outside;
}

std::vector<std::string> Manual::BrokenLinks() const {
    std::vector<std::string> broken;
    for (const ManualPage& page : pages_) {
        for (const std::string& href : LinksOf(page.html)) {
            const LinkTarget target = ResolveLink(page.name, href);
            std::string reason;
            if (target.kind == LinkTarget::Kind::Broken) {
                reason = "not a place in the manual";
            } else if (target.kind == LinkTarget::Kind::Page) {
                if (!IsHtml(target.page)) {
                    if (std::find(files_.begin(), files_.end(), target.page) == files_.end()) reason = "no such file";
                } else if (const ManualPage* to = Find(target.page); to == nullptr) {
                    reason = "no such page";
                } else if (!target.anchor.empty()) {
                    const std::vector<std::string> anchors = AnchorsOf(to->html);
                    if (std::find(anchors.begin(), anchors.end(), target.anchor) == anchors.end())
                        reason = "no such place on " + target.page;
                }
            }
            if (!reason.empty()) broken.push_back(page.name + ": " + href + " (" + reason + ")");
        }
    }
    return broken;
}

}  // namespace tarvos
