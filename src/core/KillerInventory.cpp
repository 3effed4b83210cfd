#include "core/KillerInventory.h"

#include <cstdio>

#include "core/ProcParsers.h"

namespace tidemark {

namespace {

// "10" or "10,5" (the kill share after the comma is earlyoom's own business).
std::optional<double> leadingPercent(std::string_view text) {
    const size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        text = text.substr(0, comma);
    }
    const std::optional<double> value = plainDecimal(text);
    if (!value || *value > 100) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.emplace_back(text.substr(start, i - start));
        }
    }
    return words;
}

}  // namespace

std::string_view toString(Killer killer) {
    switch (killer) {
        case Killer::kernel:
            return "kernel";
        case Killer::earlyoom:
            return "earlyoom";
        case Killer::systemdOomd:
            return "systemd-oomd";
        case Killer::nohang:
            return "nohang";
    }
    return "kernel";
}

std::optional<Killer> killerFromString(std::string_view text) {
    for (Killer killer : {Killer::kernel, Killer::earlyoom, Killer::systemdOomd, Killer::nohang}) {
        if (toString(killer) == text) {
            return killer;
        }
    }
    return std::nullopt;
}

void applyEarlyoomArguments(const std::vector<std::string>& arguments, KillerInventory& inventory) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string_view word = arguments[i];
        if (word == "--") {
            break;
        }
        double* target = nullptr;
        if (word.starts_with("-m")) {
            target = &inventory.earlyoomMemoryPercent;
        } else if (word.starts_with("-s")) {
            target = &inventory.earlyoomSwapPercent;
        } else {
            continue;
        }
        std::string_view value = word.substr(2);
        if (value.empty() && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (std::optional<double> percent = leadingPercent(value)) {
            *target = *percent;
        }
    }
}

void applyEarlyoomDefaultsFile(std::string_view text, KillerInventory& inventory) {
    size_t lineStart = 0;
    while (lineStart <= text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
        }
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        constexpr std::string_view kKey = "EARLYOOM_ARGS=";
        if (line.starts_with(kKey)) {
            std::string_view value = line.substr(kKey.size());
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            std::vector<std::string> words = splitWords(value);
            words.insert(words.begin(), "earlyoom");
            applyEarlyoomArguments(words, inventory);
        }
        lineStart = lineEnd + 1;
    }
}

KillerLine activeKillerLine(const KillerInventory& inventory, double swapFreeFraction) {
    KillerLine line{Killer::kernel, kKernelLineFraction};
    const auto raise = [&](Killer killer, double fraction) {
        if (fraction > line.availableFraction) {
            line = {killer, fraction};
        }
    };
    if (inventory.earlyoom && swapFreeFraction * 100 <= inventory.earlyoomSwapPercent) {
        raise(Killer::earlyoom, inventory.earlyoomMemoryPercent / 100);
    }
    if (inventory.nohang) {
        raise(Killer::nohang, kNohangLineFraction);
    }
    // systemd-oomd acts on stalls and on swap in use, not on available
    // memory; a runaway without swap stalls only at the kernel's line, so the
    // kernel's line stands for it, named after it since it would act first.
    if (inventory.systemdOomd && line.killer == Killer::kernel) {
        line.killer = Killer::systemdOomd;
    }
    return line;
}

std::string describe(const KillerInventory& inventory) {
    std::string out = "kernel";
    if (inventory.earlyoom) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, " earlyoom(m=%g,s=%g)",
                      inventory.earlyoomMemoryPercent, inventory.earlyoomSwapPercent);
        out += buffer;
    }
    if (inventory.systemdOomd) {
        out += " systemd-oomd";
    }
    if (inventory.nohang) {
        out += " nohang";
    }
    return out;
}

}  // namespace tidemark
