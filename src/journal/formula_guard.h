/*
 * The apostrophe before a journal field that a spreadsheet would run as a
 * formula. A field is guarded when it begins, after any apostrophes, with
 * '=', '+', '-', '@', a Tab or a CR; the guard is one apostrophe more, so
 * that taking it off gives back every text exactly, one that began with
 * an apostrophe too.
 */
#pragma once

#include <string>
#include <string_view>

namespace orvanta {

inline bool needsFormulaGuard(std::string_view text)
{
    const std::size_t first = text.find_first_not_of('\'');
    return first != std::string_view::npos && std::string_view("=+-@\t\r").find(text[first]) != std::string_view::npos;
}

inline std::string formulaGuarded(std::string_view text)
{
    std::string field;
    field.reserve(text.size() + 1);
    if (needsFormulaGuard(text))
        field += '\'';
    field += text;
    return field;
}

inline std::string_view formulaUnguarded(std::string_view field)
{
    return needsFormulaGuard(field) && field.front() == '\'' ? field.substr(1) : field;
}

}  // namespace orvanta
