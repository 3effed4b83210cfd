#include "platform/darwin/BundleInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>

#include "core/Formatting.h"
#include "core/PrivateFiles.h"
#include "core/Utf8.h"

namespace tidemark {

namespace {

// Real Info.plist files are a few kilobytes; anything far larger is not one
// worth reading on every capture.
constexpr std::size_t kMaximumPlistBytes = 1024 * 1024;

enum class TagKind { open, close, empty };

struct Tag {
    TagKind kind = TagKind::open;
    std::string_view name;
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Appends character data with its entity references resolved.
bool appendCharacterData(std::string_view data, std::string& out) {
    while (!data.empty()) {
        size_t amp = data.find('&');
        out.append(data.substr(0, amp));
        if (amp == std::string_view::npos) {
            return true;
        }
        data.remove_prefix(amp + 1);
        size_t semicolon = data.find(';');
        if (semicolon == std::string_view::npos || semicolon > 10) {
            return false;
        }
        std::string_view entity = data.substr(0, semicolon);
        data.remove_prefix(semicolon + 1);
        if (entity == "lt") {
            out.push_back('<');
        } else if (entity == "gt") {
            out.push_back('>');
        } else if (entity == "amp") {
            out.push_back('&');
        } else if (entity == "quot") {
            out.push_back('"');
        } else if (entity == "apos") {
            out.push_back('\'');
        } else if (entity.starts_with('#')) {
            int base = 10;
            entity.remove_prefix(1);
            if (entity.starts_with('x')) {
                base = 16;
                entity.remove_prefix(1);
            }
            std::uint32_t cp = 0;
            auto [end, ec] =
                std::from_chars(entity.data(), entity.data() + entity.size(), cp, base);
            if (ec != std::errc() || end != entity.data() + entity.size() || entity.empty() ||
                cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                return false;
            }
            appendUtf8(out, cp);
        } else {
            return false;
        }
    }
    return true;
}

// Walks an XML document element tag by element tag, skipping comments,
// processing instructions and the document type declaration.
class XmlScanner {
public:
    explicit XmlScanner(std::string_view xml) : m_xml(xml) {}

    // The next element tag. Character data before it is appended to `text`
    // when given. False at the end of the input or when it is malformed.
    bool next(Tag& tag, std::string* text) {
        for (;;) {
            size_t lt = m_xml.find('<', m_pos);
            if (lt == std::string_view::npos) {
                return false;
            }
            if (text != nullptr && !appendCharacterData(m_xml.substr(m_pos, lt - m_pos), *text)) {
                return false;
            }
            m_pos = lt;
            std::string_view rest = m_xml.substr(m_pos);
            if (rest.starts_with("<!--")) {
                if (!skipPast("-->", 4)) {
                    return false;
                }
            } else if (rest.starts_with("<![CDATA[")) {
                size_t end = m_xml.find("]]>", m_pos + 9);
                if (end == std::string_view::npos) {
                    return false;
                }
                if (text != nullptr) {
                    text->append(m_xml.substr(m_pos + 9, end - m_pos - 9));
                }
                m_pos = end + 3;
            } else if (rest.starts_with("<?")) {
                if (!skipPast("?>", 2)) {
                    return false;
                }
            } else if (rest.starts_with("<!")) {
                if (!skipDeclaration()) {
                    return false;
                }
            } else {
                return readTag(tag);
            }
        }
    }

private:
    bool skipPast(std::string_view terminator, size_t from) {
        size_t end = m_xml.find(terminator, m_pos + from);
        if (end == std::string_view::npos) {
            return false;
        }
        m_pos = end + terminator.size();
        return true;
    }

    // <!DOCTYPE plist PUBLIC "..." "..." [ internal subset ]>
    bool skipDeclaration() {
        int brackets = 0;
        char quote = 0;
        for (size_t i = m_pos + 2; i < m_xml.size(); ++i) {
            char c = m_xml[i];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                m_pos = i + 1;
                return true;
            }
        }
        return false;
    }

    bool readTag(Tag& tag) {
        char quote = 0;
        size_t end = m_pos + 1;
        for (; end < m_xml.size(); ++end) {
            char c = m_xml[end];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (end >= m_xml.size()) {
            return false;
        }
        std::string_view inner = m_xml.substr(m_pos + 1, end - m_pos - 1);
        m_pos = end + 1;
        tag.kind = TagKind::open;
        if (inner.starts_with('/')) {
            tag.kind = TagKind::close;
            inner.remove_prefix(1);
        } else if (inner.ends_with('/')) {
            tag.kind = TagKind::empty;
            inner.remove_suffix(1);
        }
        size_t nameEnd = 0;
        while (nameEnd < inner.size() && !isSpace(inner[nameEnd])) {
            ++nameEnd;
        }
        tag.name = inner.substr(0, nameEnd);
        return !tag.name.empty();
    }

    std::string_view m_xml;
    size_t m_pos = 0;
};

// The text content of the element whose opening tag was just read.
bool readText(XmlScanner& scanner, std::string_view element, std::string& out) {
    Tag tag;
    return scanner.next(tag, &out) && tag.kind == TagKind::close && tag.name == element;
}

// Skips the rest of an element whose opening tag was just read, however
// deeply nested, without recursion.
bool skipElement(XmlScanner& scanner) {
    Tag tag;
    for (std::size_t depth = 1; depth > 0;) {
        if (!scanner.next(tag, nullptr)) {
            return false;
        }
        if (tag.kind == TagKind::open) {
            ++depth;
        } else if (tag.kind == TagKind::close) {
            --depth;
        }
    }
    return true;
}

}  // namespace

BundleInfo parseInfoPlist(std::string_view xml) {
    if (xml.size() > kMaximumPlistBytes) {
        return {};
    }
    XmlScanner scanner(xml);
    Tag tag;
    if (!scanner.next(tag, nullptr)) {
        return {};
    }
    if (tag.kind == TagKind::open && tag.name == "plist" && !scanner.next(tag, nullptr)) {
        return {};
    }
    if (tag.kind != TagKind::open || tag.name != "dict") {
        return {};
    }

    BundleInfo info;
    for (;;) {
        if (!scanner.next(tag, nullptr)) {
            return {};
        }
        if (tag.kind == TagKind::close && tag.name == "dict") {
            return info;
        }
        std::string key;
        if (tag.name != "key" || tag.kind == TagKind::close ||
            (tag.kind == TagKind::open && !readText(scanner, "key", key))) {
            return {};
        }
        if (!scanner.next(tag, nullptr) || tag.kind == TagKind::close) {
            return {};
        }
        std::optional<std::string> text;
        if (tag.name == "string") {
            text.emplace();
            if (tag.kind == TagKind::open && !readText(scanner, "string", *text)) {
                return {};
            }
            text = decodeUtf8Lossy(*text);
        } else if (tag.kind == TagKind::open && !skipElement(scanner)) {
            return {};
        }
        if (key == "CFBundleIdentifier") {
            info.identifier = std::move(text);
        } else if (key == "CFBundleDisplayName") {
            info.displayName = std::move(text);
        } else if (key == "CFBundleName") {
            info.name = std::move(text);
        }
    }
}

std::optional<BundleInfo> InfoPlistBundleReader::open(const std::string& bundlePath) const {
    struct stat st {};
    if (::stat(bundlePath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(bundlePath.c_str(), R_OK | X_OK) != 0) {
        return std::nullopt;
    }
    // A FIFO planted as Info.plist cannot hang the probe: the reader opens
    // regular files only.
    const FileReadResult plist =
        readRegularFile(bundlePath + "/Contents/Info.plist", kMaximumPlistBytes);
    if (plist.status != FileReadResult::Status::read) {
        return BundleInfo{};
    }
    return parseInfoPlist(plist.content);
}

const BundleReader& defaultBundleReader() {
    static const InfoPlistBundleReader reader;
    return reader;
}

}  // namespace tidemark
