#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "res/resource.h"
#include "ui/number_field.h"

namespace orvanta {
namespace {

// How the platform reads a field: digits only, as an unsigned number.
NumberReading readField(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return {false, 0};
    return {true, static_cast<std::uint32_t>(std::stoull(text))};
}

TEST(NumberField, CorrectionsOfWhatIsTyped)
{
    const struct {
        int field;
        const char* typed;
        std::optional<std::int32_t> correction;
    } table[] = {
        {IDC_COM_PORT, "300", 255},
        {IDC_COM_PORT, "256", 255},
        {IDC_COM_PORT, "255", std::nullopt},
        {IDC_COM_PORT, "1", std::nullopt},
        {IDC_COM_PORT, "0", 1},
        {IDC_COM_PORT, "00", 1},
        {IDC_COM_PORT, "", 1},
        {IDC_COM_PORT, "007", 7},
        {IDC_COM_PORT, "10", std::nullopt},
        {IDC_COM_PORT, "4294967295", 1},   // wraps to -1 as a signed number
        {IDC_COM_PORT, "2147483648", 1},
        {IDC_POLLING_SECONDS, "1000", 999},
        {IDC_POLLING_SECONDS, "999", std::nullopt},
        {IDC_POLLING_SECONDS, "a", 1},
        {IDC_POLLING_SECONDS, "012", 12},
        {IDC_POLLING_SECONDS, "0999", 999},
        {IDC_CHAR_DELAY, "05", std::nullopt},
        {IDC_CHAR_DELAY, "0", 1},
        {IDC_CHAR_DELAY, "300", 255},
        {IDC_CHAR_DELAY, "x", 1},
        {IDC_CHAR_DELAY, "", 1},
    };
    for (const auto& row : table) {
        const NumberField* field = numberFieldOf(row.field);
        ASSERT_NE(field, nullptr) << row.field;
        EXPECT_EQ(numberFieldCorrection(row.typed, readField(row.typed), *field), row.correction)
            << row.field << " \"" << row.typed << '"';
    }
}

// Writing a correction changes the field again; that second check must
// leave it alone, or the field would never settle.
TEST(NumberField, ACorrectedFieldPassesTheNextCheck)
{
    const char* typed[] = {"", "0", "007", "012", "300", "1000", "99999", "a", "4294967295"};
    for (int id : {IDC_COM_PORT, IDC_POLLING_SECONDS, IDC_CHAR_DELAY}) {
        const NumberField& field = *numberFieldOf(id);
        for (const char* text : typed) {
            const auto first = numberFieldCorrection(text, readField(text), field);
            if (!first)
                continue;
            const std::string written = std::to_string(*first);
            EXPECT_EQ(numberFieldCorrection(written, readField(written), field), std::nullopt)
                << id << " \"" << text << '"';
        }
    }
}

TEST(NumberField, OnlyTheThreeNumberFieldsAreChecked)
{
    const struct {
        int id;
        std::int32_t limit;
        LeadingZeros leadingZeros;
    } table[] = {
        {IDC_COM_PORT, 255, LeadingZeros::Drop},
        {IDC_POLLING_SECONDS, 999, LeadingZeros::Drop},
        {IDC_CHAR_DELAY, 255, LeadingZeros::Keep},
    };
    for (const auto& row : table) {
        const NumberField* field = numberFieldOf(row.id);
        ASSERT_NE(field, nullptr) << row.id;
        EXPECT_EQ(field->limit, row.limit) << row.id;
        EXPECT_EQ(field->leadingZeros, row.leadingZeros) << row.id;
    }
    for (int other : {IDC_PREFIX_CODES, IDC_SUFFIX_CODES, IDC_TRANSMISSION_TYPE, 303})
        EXPECT_EQ(numberFieldOf(other), nullptr) << other;
}

}  // namespace
}  // namespace orvanta
