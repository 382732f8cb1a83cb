#include "model/ToolDatabaseReset.h"

#include "model/ToolDatabase.h"
#include "prompt/Prompter.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool ReplaceToolDatabaseWithDefaults(Prompter& prompter) {
    const fs::path defaults(kDefaultDatabasePath);
    const fs::path toolDatabase(kToolDatabasePath);
    fs::path incoming = toolDatabase;
    incoming += ".new";

    const auto fail = [&prompter, &incoming](const fs::path& file, const std::error_code& error) {
        std::error_code ignored;
        fs::remove(incoming, ignored);
        prompter.inform(QString::fromStdString(file.generic_string() + ": " + error.message()));
        return false;
    };
    std::error_code error;
    // Looked for first, so that a copy that fails (a full disk) names the file it could not write.
    if (!fs::exists(defaults, error))
        return fail(defaults, error ? error : std::make_error_code(std::errc::no_such_file_or_directory));
    fs::copy_file(defaults, incoming, fs::copy_options::overwrite_existing, error);
    if (error)
        return fail(toolDatabase, error);
    fs::rename(incoming, toolDatabase, error);
    if (error)
        return fail(toolDatabase, error);
    return true;
}
