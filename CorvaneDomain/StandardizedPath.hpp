#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Textual path helpers; none of them touches the file system, so they work
// for files that do not exist (or no longer exist).

// The standardised form of a path: repeated slashes collapsed, "." components
// removed, each ".." removed together with the folder before it, trailing
// slash dropped. In an absolute path a ".." at the root stays at the root
// ("/../a" gives "/a"); in a relative path a leading ".." has nothing to cancel
// and is kept; a relative path that cancels out entirely gives ".". "" stays "".
std::string standardizedPath(std::string_view path);

// The last component of a path, ignoring trailing slashes ("/a/b/" gives "b");
// "/" for the root and "" for an empty path.
std::string lastPathComponent(std::string_view path);

// The extension of a path's last component, without its dot, exactly as
// written ("Sonata.final.MID" gives "MID"). A name that starts with its only
// dot (".hidden") or ends with a dot has no extension: "".
std::string pathExtension(std::string_view path);

// The last component with its last extension removed ("Sonata.final.mid"
// gives "Sonata.final"); a name without extension is returned whole.
std::string lastPathComponentDeletingExtension(std::string_view path);

} // namespace corvane
