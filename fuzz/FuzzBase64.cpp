// Fuzz target for the tolerant Base64 decoder and the five-layer decoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "text/Base64.h"

namespace {

// Walking by characters, the cleaned text holds neither a blank nor an ideographic blank.
bool HasBlankCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 && i + 1 < text.size()) {
            if (byte == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1)
                return true;
            i += 2;
            continue;
        }
        if (byte == ' ')
            return true;
        ++i;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string_view asText = kf::TextView(input);

    kf::Text text = input;
    std::size_t steps = 0;
    const kf::Bytes bytes = kf::Base64Decode(text, [&steps] { ++steps; });
    KF_FUZZ_CHECK(text.size() <= asText.size());
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(text) && !HasBlankCharacter(text));
    // One step per group of four cleaned characters, three bytes at most per group.
    KF_FUZZ_CHECK(steps == (text.size() + 3) / 4);
    KF_FUZZ_CHECK(bytes.size() <= 3 * steps && bytes.size() <= text.size() * 3 / 4 + 3);

    // The same input decodes to the same bytes without the pending step.
    kf::Text again = input;
    KF_FUZZ_CHECK(kf::Base64Decode(again) == bytes && again == text);

    const kf::Text layered = kf::DecodeLayeredText(input);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(layered) && layered.size() <= asText.size());
    KF_FUZZ_CHECK(kf::DecodeLayeredText(input) == layered);
    return 0;
}
