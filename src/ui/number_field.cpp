/*
 * Number field corrections. A correction writes a plain number, so the
 * change it causes itself passes the check unaltered.
 */
#include "ui/number_field.h"

#include "res/resource.h"
#include "settings/settings.h"

namespace orvanta {
namespace {

constexpr NumberField kNumberFields[] = {
    {IDC_COM_PORT, kMaxComPort, LeadingZeros::Drop},
    {IDC_POLLING_SECONDS, kMaxPollingSeconds, LeadingZeros::Drop},
    {IDC_CHAR_DELAY, kMaxCharDelayMs, LeadingZeros::Keep},
};

}  // namespace

const NumberField* numberFieldOf(int controlId)
{
    for (const NumberField& field : kNumberFields) {
        if (field.controlId == controlId)
            return &field;
    }
    return nullptr;
}

// The value counts as signed: a huge unsigned number wraps below 1.
std::optional<std::int32_t> numberFieldCorrection(std::string_view text, NumberReading reading,
                                                  const NumberField& field)
{
    const auto value = static_cast<std::int32_t>(reading.value);
    if (!reading.readsAsNumber || value < 1)
        return 1;
    if (value > field.limit)
        return field.limit;
    if (field.leadingZeros == LeadingZeros::Drop && text.size() >= 2 && text[0] == '0')
        return value;
    return std::nullopt;
}

}  // namespace orvanta
