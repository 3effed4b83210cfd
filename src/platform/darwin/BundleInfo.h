#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tidemark {

// What the classifier uses from an application bundle's information
// dictionary. A name is present only when its value is text.
struct BundleInfo {
    std::optional<std::string> identifier;   // CFBundleIdentifier
    std::optional<std::string> displayName;  // CFBundleDisplayName
    std::optional<std::string> name;         // CFBundleName
    bool operator==(const BundleInfo&) const = default;
};

// Opens application bundles by path.
class BundleReader {
public:
    virtual ~BundleReader() = default;
    // Absent when `bundlePath` is not a readable directory. A bundle without
    // a usable Info.plist opens with every field absent.
    virtual std::optional<BundleInfo> open(const std::string& bundlePath) const = 0;
};

// Reads <bundle>/Contents/Info.plist as an XML property list.
class InfoPlistBundleReader final : public BundleReader {
public:
    std::optional<BundleInfo> open(const std::string& bundlePath) const override;
};

const BundleReader& defaultBundleReader();

// The three keys from an XML property list whose root is a dictionary. The
// text is untrusted: anything malformed yields an empty result, never an
// error, and nesting is not followed by recursion.
BundleInfo parseInfoPlist(std::string_view xml);

}  // namespace tidemark
