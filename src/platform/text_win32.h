/*
 * Text between the program's UTF-8 (the journal, the event log's inserts)
 * and the UTF-16 of Windows' W calls, and from a code page's bytes.
 */
#pragma once

#include <string>
#include <string_view>

namespace orvanta {

std::wstring wideOf(std::string_view utf8);
std::wstring wideOf(std::string_view bytes, unsigned codePage);
std::string utf8Of(std::wstring_view wide);

}  // namespace orvanta
