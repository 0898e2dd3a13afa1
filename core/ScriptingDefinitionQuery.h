#pragma once

#include <pugixml.hpp>

namespace brisquel {

// The selection of background-script properties in a scripting definition:
//   /dictionary/suite[@name='Capture One Suite']/class[@name='application']/property[ends-with(@name,
//   'script')]
// XPath 1.0 has no ends-with(); the equivalent compares the last six characters of the name.
inline constexpr const char* backgroundScriptXPath =
    "/dictionary/suite[@name='Capture One Suite']/class[@name='application']"
    "/property[substring(@name, string-length(@name) - 5) = 'script']";

// The compiled selection, built once per process.
const pugi::xpath_query& backgroundScriptQuery();

} // namespace brisquel
