/*
 * Any command-line text must apply safely: values stay in range, the code
 * lists end up empty, and a non-empty text writes one well-formed file.
 */
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fakes/fake_settings_store.h"
#include "settings/settings_file.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);   // ends at its first 0 byte
    Settings settings{};
    applyDefaults(settings);
    bool commandLineMode = false;
    fakes::FakeSettingsStore store;
    applyCommandLine(settings, text.c_str(), commandLineMode, store);

    const bool empty = text.c_str()[0] == 0;
    if (empty != (commandLineMode == 0) || store.writes != (empty ? 0 : 1))
        std::abort();
    if (settings.comPort < kMinComPort || settings.comPort > kMaxComPort || settings.pollingSeconds < 1
        || settings.pollingSeconds > 999 || settings.charDelayMs < 1 || settings.charDelayMs > 255
        || settings.baudIndex < 0 || settings.baudIndex >= kBaudCount)
        std::abort();
    if (!empty) {
        if (settings.prefixEnabled || settings.suffixEnabled || settings.prefixCodes != CodeBuffer{}
            || settings.suffixCodes != CodeBuffer{} || store.file.size() > kMaxSettingsImage)
            std::abort();
        Settings reread{};
        applyDefaults(reread);
        parseSettingsFile(reread, store.file.data(), store.file.size());
        if (std::memcmp(&reread, &settings, sizeof settings) != 0)
            std::abort();
    }
    return 0;
}
