#pragma once

#include <functional>
#include <string>

namespace lw {

// Rewrites a whole value before the prefix groups are resolved (the owner's variables).
using TConvertPrefixEvent = std::function<void(std::string& path)>;
// The directory behind a prefix group name given in upper case; "" for an unknown name.
using TPrefixResolver = std::function<std::string(const std::string& name)>;

// The directories of the prefix groups on this system:
//   "APP" the process's current directory,
//   "TMP" the user's own temporary directory ($TMPDIR, else /tmp, or a directory of the
//         user's inside it when others can write there: see PrivateTempDirectory),
//   "WIN" /etc: the Windows directory is where a system keeps its own configuration and
//         shared files, and /etc is the nearest Unix counterpart.
// "" for any other name.
std::string DefaultPrefixDirectory(const std::string& name);

// The form a prefix directory takes inside an expanded value: a separator is appended when
// missing; a drive path ("C:\DIR") then loses it again, anything else gets a "." after it, so
// that '{APP}\name' always yields a valid path ("/home/u/./name", "C:\DIR\name").
std::string NormalisePrefixDirectory(const std::string& dir);

// Expansion of a control-file value: `convert` first rewrites the whole value, then every
// "{NAME}" group whose upper-case name `resolve` knows is replaced by its normalised
// directory. Unknown groups stay as written. Inserted text is not scanned again, so a
// directory whose own name holds braces cannot make the expansion loop.
std::string ExpandPath(std::string value, const TConvertPrefixEvent& convert,
                       const TPrefixResolver& resolve);

// A local path written with either separator, in the form the file system takes ('/').
std::string LocalPath(const std::string& path);

// A directory as the file system resolves it ("." and "..", symbolic links), absolute and
// with a trailing '/'; "" stands for the current directory, as an empty target directory
// does. Parts that do not exist yet are normalised as written.
std::string ResolvedDirectory(const std::string& dir);

}  // namespace lw
