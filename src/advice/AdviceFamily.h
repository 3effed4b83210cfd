#pragma once

#include <span>
#include <string_view>

namespace tidemark {

// The kind of object a plan is about. It decides the plan's steps, both the
// engine's full ones and the advice window's short ones.
enum class AdviceFamily {
    chrome,
    chatGpt,
    codex,
    communication,
    browser,
    firefox,
    systemProtected,
    general,
    // No single application: the plan for the system as a whole.
    system,
};

// Everything that belongs to one family, in one place.
struct AdviceFamilyTexts {
    AdviceFamily family;
    // Start of the plan's identifier, before the level.
    std::string_view prefix;
    // Matched exactly and case-sensitively; when an application has one, its
    // name is never consulted.
    std::span<const std::string_view> bundleIdentifiers;
    // Lower case, matched whole against the lower-cased name.
    std::span<const std::string_view> names;
    std::string_view watchAction;
    std::string_view action;
    std::string_view condition;
    // The engine's full steps; for the general family the first names the
    // application and is written by the engine.
    std::span<const std::string_view> steps;
    std::string_view source;
    // The advice window's short steps, each a title and a body separated by
    // a line feed: the first, the second, and the second while only watching.
    std::string_view conciseFirst;
    std::string_view conciseSecond;
    std::string_view conciseWatchSecond;
};

// The texts of `family` on this system.
const AdviceFamilyTexts& adviceFamily(AdviceFamily family);

// The families an application can be recognised as, in matching order; a
// family this system has no steps for is left out.
std::span<const AdviceFamilyTexts* const> recognisableFamilies();

}  // namespace tidemark
