// Starting programs and opening documents, folders and web addresses with the
// desktop's default application. Paths are raw bytes and reach the started
// program as one argument each, never through a shell.
#pragma once

#include <string>
#include <vector>

struct TLaunchResult {
    bool Ok = false;
    std::string Error; // why not, in words for the user
};

// A program (an executable file, or a name found on PATH when it has no
// folder part) is started with the parameters in the working folder; anything
// else (a document, a folder, an address with a scheme such as "http://") is
// opened with its default application. Lengths are not limited.
TLaunchResult LaunchFile(const std::string& file, const std::vector<std::string>& parameters = {},
                         const std::string& workingFolder = {});

// What LaunchFile looks up on disk about a path before it starts or opens
// it: read apart, and on a background job where the drive may not answer,
// then handed to LaunchPath.
struct TLaunchFacts {
    bool IsProgram = false; // an executable file the user may run
    bool Exists = false;
};
TLaunchFacts LaunchFactsOf(const std::string& path);
// LaunchFile for a path with a folder part whose facts were read already.
TLaunchResult LaunchPath(const std::string& path, const TLaunchFacts& facts,
                         const std::vector<std::string>& parameters = {},
                         const std::string& workingFolder = {});
// Opens the folder that holds path in the file manager; a folder path opens
// the folder itself.
TLaunchResult ShowInFileManager(const std::string& path, bool isFolder);
