/*
 * The settings dialog's number fields keep a readable value within range
 * while the user types: each change is checked, and a value that does not
 * fit is replaced at once.
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvanta {

// Whether a field reads as an unsigned decimal number, and its value.
struct NumberReading {
    bool readsAsNumber;
    std::uint32_t value;
};

// The COM port and polling fields also drop leading zeros ("007" -> "7");
// the delay field leaves them ("05" stays).
enum class LeadingZeros { Drop, Keep };

struct NumberField {
    int controlId;
    std::int32_t limit;
    LeadingZeros leadingZeros;
};

// The field checked on a change of `controlId`, or nullptr for any other.
const NumberField* numberFieldOf(int controlId);

// What to put into the field, given its text (at least its first two
// characters) and how it reads; nothing when it is fine as it is.
std::optional<std::int32_t> numberFieldCorrection(std::string_view text, NumberReading reading,
                                                  const NumberField& field);

}  // namespace orvanta
