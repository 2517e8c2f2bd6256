// Support for the fuzz entries of the readers that take a path: the bytes go to a
// scratch file first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Writes the bytes to a scratch file whose name ends in fileName, alone in a folder of the
// calling thread's own, runs read on its path and removes whatever the read left beside
// it; the folder goes with the thread (the main thread's at exit). False when the file
// cannot be written or read returns false.
bool WithScratchFile(const std::uint8_t* data, std::size_t size, std::string_view fileName,
                     const std::function<bool(const std::string& path)>& read);

// Tests of what a reader does with something else in its file's place: when set, runs on
// the scratch file's path after the bytes are written and before the read (not of a
// scratch file the read itself asks for), and may put a named pipe or a folder there;
// whatever it put is removed after the read. Empty by default.
void SetScratchFileSwap(std::function<void(const std::string& path)> swap);
