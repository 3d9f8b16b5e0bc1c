// The ICC description parser reads version 2 and 4 profiles and survives
// any bytes: cut short at every length, lying counts and offsets, and
// thousands of mutated profiles (the sanitizer build sees every read).
// printableText and the PNG profile naming are checked with it.
#include <random>

#include <gtest/gtest.h>

#include "image/metadata/IccProfile.h"
#include "image/metadata/PngColourProfile.h"
#include "metadata/MetadataTestSupport.h"

namespace {

using metadata::iccProfileDescription;
using metadata::printableText;
using namespace metadatatest;

TEST(IccProfile, ReadsTheDescriptionOfVersion2And4Profiles)
{
    EXPECT_EQ(iccProfileDescription(iccProfileV2("sRGB IEC61966-2.1")), "sRGB IEC61966-2.1");
    EXPECT_EQ(iccProfileDescription(iccProfileV4({{"deDE", u"Bildschirm"}, {"enUS", u"Display P3"}})), "Display P3");
    EXPECT_EQ(iccProfileDescription(iccProfileV4({{"jaJP", u"写真用"}})), "写真用");
    // A surrogate pair becomes one character; a lone surrogate the replacement character.
    EXPECT_EQ(iccProfileDescription(iccProfileV4({{"enUS", u"A\U0001F600"}})), "A\xF0\x9F\x98\x80");
    EXPECT_EQ(iccProfileDescription(iccProfileV4({{"enUS", std::u16string(1, char16_t{0xD800}) + u"x"}})),
              "\xEF\xBF\xBDx");
}

TEST(IccProfile, GivesNothingForBytesThatAreNoProfileOrHaveNoDescription)
{
    EXPECT_EQ(iccProfileDescription({}), "");
    std::vector<std::uint8_t> profile = iccProfileV2("name");
    profile[36] = 'x'; // no 'acsp' signature
    EXPECT_EQ(iccProfileDescription(profile), "");
    profile = iccProfileV2("name");
    profile[132] = 'c'; // the one tag is 'cesc'
    EXPECT_EQ(iccProfileDescription(profile), "");
    profile = iccProfileV2("name");
    profile[144] = 'X'; // an element type it does not know
    EXPECT_EQ(iccProfileDescription(profile), "");
}

TEST(IccProfile, ACutProfileGivesTheNameOnlyWhenTheNameIsWhole)
{
    const std::vector<std::uint8_t> whole = iccProfileV2("Camera RGB");
    // The element: type, reserved, count, 11 ASCII bytes and 74 of the empty Unicode parts.
    const std::size_t elementEnd = 144 + 12 + 11 + 74;
    for (std::size_t length = 0; length < elementEnd; ++length) {
        const std::span<const std::uint8_t> cut(whole.data(), length);
        EXPECT_EQ(iccProfileDescription(cut), "") << length;
    }
    EXPECT_EQ(iccProfileDescription(std::span(whole.data(), elementEnd)), "Camera RGB");
}

TEST(IccProfile, LyingCountsAndOffsetsReadNothingOutside)
{
    std::vector<std::uint8_t> profile = iccProfileV2("name");
    putBig32(profile, 128, 0xFFFFFFFF); // tag count
    EXPECT_EQ(iccProfileDescription(profile), "name");
    profile = iccProfileV2("name");
    putBig32(profile, 136, 0xFFFFFFF0); // tag offset wraps past the end
    EXPECT_EQ(iccProfileDescription(profile), "");
    profile = iccProfileV2("name");
    putBig32(profile, 140, 0xFFFFFFFF); // tag size
    EXPECT_EQ(iccProfileDescription(profile), "");
    profile = iccProfileV2("name");
    putBig32(profile, 152, 0xFFFFFFFF); // ASCII count
    EXPECT_EQ(iccProfileDescription(profile), "");

    std::vector<std::uint8_t> localized = iccProfileV4({{"enUS", u"P3"}});
    putBig32(localized, 152, 0x7FFFFFFF); // record count
    EXPECT_EQ(iccProfileDescription(localized), "P3");
    putBig32(localized, 156, 0xFFFFFFFF); // record size
    EXPECT_EQ(iccProfileDescription(localized), "");
    localized = iccProfileV4({{"enUS", u"P3"}});
    putBig32(localized, 168, 0xFFFFFFFC); // text offset
    EXPECT_EQ(iccProfileDescription(localized), "");
}

TEST(IccProfile, MutatedProfilesNeverReadOutsideTheirBytes)
{
    std::mt19937 rng(7);
    const std::vector<std::vector<std::uint8_t>> seeds = {iccProfileV2("seed name"),
                                                          iccProfileV4({{"enUS", u"seed"}, {"frFR", u"graine"}})};
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> bytes = seeds[round % 2];
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = 128 + rng() % (bytes.size() - 128);
            bytes[at] = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
        }
        bytes.resize(bytes.size() - rng() % 8);
        const std::string name = iccProfileDescription(bytes);
        EXPECT_LE(name.size(), metadata::kMaxDescriptionBytes);
        EXPECT_EQ(printableText(name), name);
    }
}

TEST(IccProfile, HostileDescriptionsComeOutPrintableAndBounded)
{
    EXPECT_EQ(iccProfileDescription(iccProfileV2("evil\x1B[31m\r\nname")), "evil?[31m??name");
    EXPECT_EQ(iccProfileDescription(iccProfileV2(std::string(5000, 'x'))).size(), metadata::kMaxDescriptionBytes);
}

TEST(PrintableText, ReplacesControlsAndBrokenUtf8AndCutsAtACharacter)
{
    EXPECT_EQ(printableText("Canon EOS 5D"), "Canon EOS 5D");
    EXPECT_EQ(printableText("写真"), "写真");
    EXPECT_EQ(printableText(std::string("a\0b\x7F", 4)), "a?b?");
    EXPECT_EQ(printableText("\xC2\x9B" "2J"), "??2J");      // C1 control (CSI)
    EXPECT_EQ(printableText("\xC0\xAF"), "??");             // overlong '/'
    EXPECT_EQ(printableText("\xED\xA0\x80"), "???");        // encoded surrogate
    EXPECT_EQ(printableText("\xE5\x86"), "??");             // cut character
    EXPECT_EQ(printableText("ab写", 4), "ab");               // no half characters
}

// A minimal PNG: signature, IHDR, an iCCP chunk with `name`, IEND.
std::vector<std::uint8_t> pngWithProfileName(const std::string& name)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&](const std::string& type, const std::vector<std::uint8_t>& data) {
        appendBig32(png, static_cast<std::uint32_t>(data.size()));
        appendText(png, type);
        png.insert(png.end(), data.begin(), data.end());
        appendBig32(png, 0); // the walk does not check CRCs
    };
    chunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0});
    std::vector<std::uint8_t> profile(name.begin(), name.end());
    profile.insert(profile.end(), {0, 0, 0x78, 0x9C});
    chunk("iCCP", profile);
    chunk("IEND", {});
    return png;
}

TEST(PngColourProfile, NamesAnUnnamedProfileWithAMatchingLengthAndCrc)
{
    std::vector<std::uint8_t> png = pngWithProfileName("");
    metadata::nameUnnamedPngProfile(png);
    EXPECT_EQ(png, [] {
        std::vector<std::uint8_t> expected = pngWithProfileName("ICC profile");
        // CRC-32 of "iCCP" + "ICC profile\0\0\x78\x9C", worked out apart.
        const std::size_t crcAt = 8 + 25 + 8 + 15;
        putBig32(expected, crcAt, 0xD73BFF99);
        return expected;
    }());
}

TEST(PngColourProfile, LeavesNamedProfilesAndBrokenFilesAlone)
{
    std::vector<std::uint8_t> png = pngWithProfileName("sRGB");
    const std::vector<std::uint8_t> named = png;
    metadata::nameUnnamedPngProfile(png);
    EXPECT_EQ(png, named);

    std::vector<std::uint8_t> broken = pngWithProfileName("");
    putBig32(broken, 8 + 25, 0x7FFFFFFF); // the iCCP length runs past the end
    const std::vector<std::uint8_t> before = broken;
    metadata::nameUnnamedPngProfile(broken);
    EXPECT_EQ(broken, before);
    std::vector<std::uint8_t> notPng = {1, 2, 3};
    metadata::nameUnnamedPngProfile(notPng);
    EXPECT_EQ(notPng, (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
