// What the load makes of values that do not fit their buffers or their kind. Keys of random
// content are StoreFuzzTest's; these are the cases whose exact outcome is the program's choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "settings/OptionsStore.h"

namespace {

class HostileKeyTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteOptionsKey();
        SetOptionDword(L"OptionInitialized", 1);
    }
    void TearDown() override { DeleteOptionsKey(); }

    // A text of units characters with no terminating NUL.
    static void SetUnterminated(const wchar_t* name, size_t units, wchar_t fill) {
        const std::wstring text(units, fill);
        SetOptionRaw(name, REG_SZ, text.data(), static_cast<DWORD>(units * sizeof(wchar_t)));
    }

    WindowsVersionCase version;
};

TEST_F(HostileKeyTest, OversizedValuesKeepTheirFirstBytesAndShortNumbersCountAsMissing) {
    const BYTE twoBytes[2] = {1, 0};
    SetOptionRaw(L"PreventDragType", REG_DWORD, twoBytes, sizeof(twoBytes));
    const ULONGLONG wide = 0x1122334400000003ull;
    SetOptionRaw(L"ViewModeIndex", REG_QWORD, &wide, sizeof(wide));
    SetOptionText(L"HasLines", L"1");
    SetUnterminated(L"ShiftRetCmdExeFile", 1024, L'a'); // exactly 2048 bytes
    SetUnterminated(L"ShiftRetCmdExeFldr", 3000, L'b');
    SetOptionRaw(L"ShiftRetCmdArgFile", REG_SZ, "xyz", 3); // an odd byte count
    SetOptionDword(L"ViewModeEFNum", 2);
    SetUnterminated(L"ViewModeEF_0", 260, L'c'); // exactly 520 bytes
    SetUnterminated(L"ViewModeEF_1", 900, L'd');
    SetOptionDword(L"ColumnNum", 2);
    std::vector<BYTE> noTerminator(180, 0);
    for (size_t i = 4; i < 168; i += 2) {
        noTerminator[i] = 'N';
    }
    noTerminator[168] = 90;
    SetOptionRaw(L"Column_0", REG_BINARY, noTerminator.data(), 180);
    std::vector<BYTE> oversized(400, 0x41);
    SetOptionRaw(L"Column_1", REG_BINARY, oversized.data(), 400);
    version.SetBuild(std::wstring(40, L'9').c_str()); // fifteen nines are read: far above 22000
    SetOptionDword(L"HideCommandBar", 1);

    Options options;
    LoadOptions(options);
    EXPECT_EQ(2, options.PreventDragType);
    EXPECT_EQ(3, options.ViewModeIndex);
    EXPECT_EQ(0x31, options.HasLines); // "1" and its NUL, read as a number
    EXPECT_EQ(std::wstring(1023, L'a'), options.ShiftRetCmdExeFile);
    EXPECT_EQ(std::wstring(1023, L'b'), options.ShiftRetCmdExeFldr);
    EXPECT_EQ(1u, wcslen(options.ShiftRetCmdArgFile));
    ASSERT_EQ(2u, options.ViewModeEF.Count());
    EXPECT_EQ(std::wstring(259, L'c'), options.ViewModeEF.At(0));
    EXPECT_EQ(std::wstring(259, L'd'), options.ViewModeEF.At(1));
    ASSERT_EQ(2u, options.ColumnEntries.size());
    EXPECT_EQ(std::wstring(81, L'N'), options.ColumnEntries[0].Name);
    EXPECT_EQ(90, options.ColumnEntries[0].Width);
    EXPECT_EQ(0x41414141, options.ColumnEntries[1].NoHide);
    EXPECT_EQ(1, options.HideCommandBar);
}

TEST_F(HostileKeyTest, HugeCountsReadOnlyTheNumberedValuesThatExist) {
    SetOptionDword(L"ViewModeEFNum", 2147483647);
    SetOptionDword(L"ColumnNum", 2147483647);
    SetOptionText(L"ViewModeEF_0", L"PC");
    SetOptionText(L"ViewModeEF_12345", L"far away");
    SetOptionText(L"viewmodeef_7", L"case differs");
    SetOptionText(L"ViewModeEF_007", L"not a name the load forms");
    SetOptionText(L"ViewModeEF_-1", L"negative");
    Options column;
    column.AddColumn(L"名前", 1, 240, 1, 1);
    SetOptionRaw(L"Column_2147483646", REG_BINARY, &column.ColumnEntries[0], 180);

    const ULONGLONG start = GetTickCount64();
    Options options;
    LoadOptions(options);
    EXPECT_LT(GetTickCount64() - start, 1000u);
    ASSERT_EQ(3u, options.ViewModeEF.Count());
    EXPECT_STREQ(L"PC", options.ViewModeEF.At(0));
    EXPECT_STREQ(L"case differs", options.ViewModeEF.At(1));
    EXPECT_STREQ(L"far away", options.ViewModeEF.At(2));
    ASSERT_EQ(1u, options.ColumnEntries.size());
    EXPECT_STREQ(L"名前", options.ColumnEntries[0].Name);
}

} // namespace
