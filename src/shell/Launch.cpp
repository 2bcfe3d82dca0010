// Launching through GIO: its default-application lookup works with or
// without a desktop session, and its spawn reaps the child by itself.
#include "shell/Launch.h"

#include "platform/DirReader.h"
#include "platform/ItemFacts.h"

#include <gio/gio.h>

namespace {

bool HasScheme(const std::string& text) {
    if (text.empty() || text[0] == '/')
        return false;
    char* scheme = g_uri_parse_scheme(text.c_str());
    bool has = scheme != nullptr;
    g_free(scheme);
    return has;
}

TLaunchResult FromError(GError* error, const char* fallback) {
    TLaunchResult result;
    result.Error = error && error->message ? error->message : fallback;
    if (error)
        g_error_free(error);
    return result;
}

TLaunchResult OpenUri(const std::string& uri) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error))
        return {true, {}};
    return FromError(error, "No application is set up to open it.");
}

TLaunchResult OpenPath(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    char* uri = g_file_get_uri(file);
    TLaunchResult result = OpenUri(uri);
    g_free(uri);
    g_object_unref(file);
    return result;
}

TLaunchResult Spawn(const std::string& program, const std::vector<std::string>& parameters,
                    const std::string& workingFolder) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& p : parameters)
        argv.push_back(const_cast<char*>(p.c_str()));
    argv.push_back(nullptr);
    GError* error = nullptr;
    auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL);
    if (g_spawn_async(workingFolder.empty() ? nullptr : workingFolder.c_str(), argv.data(), nullptr,
                      flags, nullptr, nullptr, nullptr, &error))
        return {true, {}};
    return FromError(error, "The program could not be started.");
}

} // namespace

TLaunchResult LaunchFile(const std::string& file, const std::vector<std::string>& parameters,
                         const std::string& workingFolder) {
    if (file.empty())
        return {false, "Nothing to open."};
    if (HasScheme(file))
        return OpenUri(file);
    if (file.find('/') == std::string::npos) {
        // A bare name: a program on PATH, else a document in the working folder.
        char* found = g_find_program_in_path(file.c_str());
        bool onPath = found != nullptr;
        g_free(found);
        if (onPath)
            return Spawn(file, parameters, workingFolder);
        if (!workingFolder.empty())
            return LaunchFile(workingFolder + "/" + file, parameters, workingFolder);
    }
    return LaunchPath(file, LaunchFactsOf(file), parameters, workingFolder);
}

TLaunchFacts LaunchFactsOf(const std::string& path) {
    TLaunchFacts facts;
    facts.IsProgram = Platform::IsProgramFile(path);
    facts.Exists = facts.IsProgram || Platform::EntryExists(path);
    return facts;
}

TLaunchResult LaunchPath(const std::string& path, const TLaunchFacts& facts,
                         const std::vector<std::string>& parameters,
                         const std::string& workingFolder) {
    if (facts.IsProgram)
        return Spawn(path, parameters, workingFolder);
    if (!facts.Exists)
        return {false, "\"" + path + "\" does not exist."};
    return OpenPath(path);
}

TLaunchResult ShowInFileManager(const std::string& path, bool isFolder) {
    if (isFolder)
        return OpenPath(path);
    size_t slash = path.rfind('/');
    return OpenPath(slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash));
}
