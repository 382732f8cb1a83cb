#include "BridgeConfig.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>

namespace tarvex::cli {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A warning when the file's mode lets every user read it.
void warnWhenReadableByOthers(const std::string& path, std::ostream& warnings) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && (status.st_mode & S_IROTH) != 0)
        warnings << "tarvex-cli bridge: warning: " << path
                 << " is readable by every user and may hold passwords (chmod o-r " << path << ")\n";
}

std::optional<std::string> readWhole(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<std::vector<SettingEntry>> parseBridgeConfig(std::string_view text, const std::string& fileName,
                                                           std::string& error) {
    std::vector<SettingEntry> entries;
    std::map<std::pair<std::string, std::string>, int> firstLineOf;
    std::string section;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto newline = text.find('\n');
        const auto line = trimmed(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        const std::string origin = fileName + ":" + std::to_string(lineNumber);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || trimmed(line.substr(1, line.size() - 2)).empty()) {
                error = origin + ": a section is written [name]";
                return std::nullopt;
            }
            section = trimmed(line.substr(1, line.size() - 2));
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = origin + ": expected key = value, a [section] or a # comment";
            return std::nullopt;
        }
        const std::string key(trimmed(line.substr(0, equals)));
        if (key.empty()) {
            error = origin + ": no key before '='";
            return std::nullopt;
        }
        if (section.empty()) {
            error = origin + ": '" + key + "' stands before any [section]";
            return std::nullopt;
        }
        const auto [first, isNew] = firstLineOf.emplace(std::pair(section, key), lineNumber);
        if (!isNew) {
            error = origin + ": '" + key + "' is set twice in [" + section + "] (first on line " +
                    std::to_string(first->second) + ")";
            return std::nullopt;
        }
        entries.push_back({section, key, std::string(trimmed(line.substr(equals + 1))), origin});
    }
    return entries;
}

std::optional<std::vector<SettingEntry>> readBridgeConfig(const std::string& path, std::string& error,
                                                          std::ostream& warnings) {
    const auto text = readWhole(path, error);
    if (!text)
        return std::nullopt;
    warnWhenReadableByOthers(path, warnings);
    return parseBridgeConfig(*text, path, error);
}

std::optional<std::string> readSecretFile(const std::string& path, std::string& error,
                                          std::ostream& warnings) {
    const auto text = readWhole(path, error);
    if (!text)
        return std::nullopt;
    warnWhenReadableByOthers(path, warnings);
    std::string_view firstLine(*text);
    firstLine = firstLine.substr(0, firstLine.find('\n'));
    if (firstLine.ends_with('\r'))
        firstLine.remove_suffix(1);
    if (firstLine.empty()) {
        error = path + ": the first line holds no password";
        return std::nullopt;
    }
    return std::string(firstLine);
}

} // namespace tarvex::cli
