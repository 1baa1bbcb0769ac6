// Keys of random content, loaded and saved through the store. Whatever the key holds, the load
// ends quickly, the save writes a well-formed key, and saving what that key loads writes the same
// bytes again. TRAVINE_FUZZ_KEYS sets how many keys (300 by default); TRAVINE_FUZZ_SEED replays
// one seed, as printed by a failure. Backup files of the same random values, mutated, are either
// refused or load to such a fixed point, and never touch the registry (TRAVINE_FUZZ_FILES, 400).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileParser.h"
#include "settings/RegFileWriter.h"

namespace {

const wchar_t* const kRealNames[] = {
    L"OptionInitialized",
    L"HideCommandBar",
    L"ShowCMDBarALTKey",
    L"ShowCMDBarWheel",
    L"HCBHeight",
    L"PreventDrag",
    L"PreventDragType",
    L"CtrlRetCmd",
    L"CtrlRetCmdAdmin",
    L"TaskbarSimpleName",
    L"TaskbarRemoveSuffix",
    L"NoLinesAtRoot",
    L"NoFadeInOutArrow",
    L"HasLines",
    L"SelectFirstItem",
    L"PCSelectDrive",
    L"PCSelectDriveLetter",
    L"ShiftRetCmd",
    L"ShiftRetCmdExeFile",
    L"ShiftRetCmdExeFldr",
    L"ShiftRetCmdArgFile",
    L"ShiftRetCmdArgFldr",
    L"ViewMode",
    L"ViewModeIndex",
    L"ViewModeEFNum",
    L"Column",
    L"ColumnNum",
    L"ColumnEFNum",
};
const wchar_t* const kCounts[] = {L"ViewModeEFNum", L"ColumnNum", L"ColumnEFNum"};
const wchar_t* const kPrefixes[] = {L"ViewModeEF_", L"Column_", L"ColumnEF_"};
const DWORD kTypes[] = {REG_DWORD,    REG_SZ,    REG_BINARY, REG_EXPAND_SZ,
                        REG_MULTI_SZ, REG_QWORD, REG_NONE,   0x1234};

class KeyMaker {
public:
    explicit KeyMaker(uint32_t seed) : m_random(seed) {}

    // Writes the random values to the settings key, or to a backup file's writer.
    void Write(CValueSink& sink) {
        m_sink = &sink;
        for (const wchar_t* name : kRealNames) {
            if (Chance(60)) {
                Put(name);
            }
        }
        for (const wchar_t* prefix : kPrefixes) {
            const int entries = Below(30);
            for (int i = 0; i < entries; ++i) {
                const int index = Chance(90) ? Below(40) : Pick({INT_MAX - 1, 1023, 1024, 100000});
                Put(prefix + std::to_wstring(index));
            }
        }
        const int others = Below(5);
        for (int i = 0; i < others; ++i) {
            Put(L"Other" + std::to_wstring(Below(1000)));
        }
    }

private:
    bool Chance(int percent) { return Below(100) < percent; }
    int Below(int bound) { return static_cast<int>(m_random() % static_cast<uint32_t>(bound)); }
    int Pick(std::initializer_list<int> choices) {
        return *(choices.begin() + Below(static_cast<int>(choices.size())));
    }

    std::vector<BYTE> Noise(size_t size) {
        std::vector<BYTE> bytes(size);
        for (BYTE& b : bytes) {
            b = static_cast<BYTE>(m_random());
        }
        return bytes;
    }
    // Printable or not, terminated or not, odd byte counts included.
    std::vector<BYTE> Text(size_t maxChars) {
        std::wstring text(static_cast<size_t>(Below(static_cast<int>(maxChars) + 1)), L'x');
        for (wchar_t& c : text) {
            c = Chance(80) ? static_cast<wchar_t>(L' ' + Below(0x5E))
                           : static_cast<wchar_t>(0x3000 + Below(0x100));
        }
        std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.c_str()),
                                reinterpret_cast<const BYTE*>(text.c_str()) +
                                    (text.size() + (Chance(70) ? 1 : 0)) * 2);
        if (Chance(10) && !bytes.empty()) {
            bytes.pop_back();
        }
        return bytes;
    }
    std::vector<BYTE> Number(int32_t value) {
        std::vector<BYTE> bytes(4);
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    }
    std::vector<BYTE> Count() {
        return Number(Pick({-1, INT_MIN, 0, 1, 2, 3, 7, 13, 27, 40, 1023, 1024, 1025, INT_MAX, Below(60)}));
    }
    std::vector<BYTE> Column() {
        std::vector<BYTE> bytes = Noise(180);
        if (Chance(60)) { // a plausible entry: a short name and its NUL
            const std::vector<BYTE> name = Text(81);
            // An empty vector's data() may be null, which memcpy must never get.
            std::copy_n(name.begin(), std::min<size_t>(name.size(), 162), bytes.begin() + 4);
            bytes[4 + 162] = bytes[4 + 163] = 0;
        }
        bytes.resize(Chance(80) ? 180 : static_cast<size_t>(Pick({0, 4, 100, 179, 181, 400, 4096})));
        return bytes;
    }

    void Put(const std::wstring& name) {
        const DWORD type = Chance(70) ? kTypes[Below(3)] : kTypes[Below(8)];
        std::vector<BYTE> data;
        const bool isCount = name == kCounts[0] || name == kCounts[1] || name == kCounts[2];
        if (isCount && Chance(85)) {
            data = Count();
        } else if (name.rfind(L"Column_", 0) == 0) {
            data = Column();
        } else if (Chance(40)) {
            data = Number(static_cast<int32_t>(m_random()));
        } else if (Chance(50)) {
            data = Text(Chance(90) ? 300 : 2100);
        } else {
            data = Noise(
                static_cast<size_t>(Pick({0, 1, 2, 3, 5, 8, 519, 520, 521, 2047, 2048, 2049, Below(4096)})));
        }
        m_sink->Write(name.c_str(), type, data.data(), static_cast<DWORD>(data.size()));
    }

    std::mt19937 m_random;
    CValueSink* m_sink = nullptr;
};

// What a saved key must look like, whatever it was loaded from.
void ExpectWellFormed(const StoredKey& key) {
    for (const wchar_t* name : kRealNames) {
        const auto value = key.find(name);
        ASSERT_NE(key.end(), value) << "missing " << std::string(name, name + wcslen(name));
        const bool text = wcsncmp(name, L"ShiftRetCmd", 11) == 0 && wcslen(name) > 11;
        if (!text) {
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->second.first);
            EXPECT_EQ(4u, value->second.second.size());
            continue;
        }
        const std::vector<BYTE>& bytes = value->second.second;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->second.first);
        ASSERT_TRUE(bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.size() <= 2048);
        const auto* chars = reinterpret_cast<const wchar_t*>(bytes.data());
        EXPECT_EQ(bytes.size() / 2 - 1, wcsnlen(chars, bytes.size() / 2)) << "one NUL, at the end";
    }
    for (int list = 0; list < 3; ++list) {
        std::vector<BYTE> count = key.at(kCounts[list]).second;
        int32_t n = 0;
        std::memcpy(&n, count.data(), 4);
        ASSERT_GE(n, 0);
        for (int32_t i = 0; i < n; ++i) {
            const auto entry = key.find(kPrefixes[list] + std::to_wstring(i));
            ASSERT_NE(key.end(), entry) << "list " << list << " entry " << i;
            const std::vector<BYTE>& bytes = entry->second.second;
            if (list == 1) {
                ASSERT_EQ(static_cast<DWORD>(REG_BINARY), entry->second.first);
                ASSERT_EQ(180u, bytes.size());
                const auto* name = reinterpret_cast<const wchar_t*>(bytes.data() + 4);
                const size_t length = wcsnlen(name, 82);
                EXPECT_TRUE(length >= 1 && length <= 81) << "column " << i;
            } else {
                ASSERT_EQ(static_cast<DWORD>(REG_SZ), entry->second.first);
                const size_t chars = bytes.size() / 2;
                const size_t length = wcsnlen(reinterpret_cast<const wchar_t*>(bytes.data()), chars);
                EXPECT_TRUE(bytes.size() % 2 == 0 && length + 1 == chars && length >= 1 && length <= 259)
                    << "list " << list << " entry " << i << ": " << bytes.size() << " bytes";
            }
        }
    }
}

// The values of a parsed file as the key would hold them, for the same checks.
StoredKey AsStoredKey(const CRegFileValues& values) {
    StoredKey key;
    values.ForEachName([&](const wchar_t* name) {
        const CRegFileValues::Value* value = values.Find(name);
        key[name] = {value->type, value->bytes};
    });
    return key;
}

// Damages a backup file the ways files get damaged, edited by hand or taken for another file.
class FileMutator {
public:
    explicit FileMutator(uint32_t seed) : m_random(seed) {}

    std::vector<BYTE> Mutate(const std::vector<BYTE>& file) {
        if (Below(12) == 0) { // not a backup at all: nothing, noise, or far too much
            return std::vector<BYTE>(Pick({0, 1, 3000, 2u << 20}), static_cast<BYTE>(m_random()));
        }
        std::wstring text(reinterpret_cast<const wchar_t*>(file.data() + 2), (file.size() - 2) / 2);
        for (int i = Below(3); i > 0; --i) {
            Damage(text);
        }
        std::vector<BYTE> bytes = Utf16File(text);
        switch (Below(16)) {
        case 0: // without its byte order mark
            bytes.erase(bytes.begin(), bytes.begin() + 2);
            break;
        case 1: { // as UTF-8 or ANSI would have it: one byte per character
            std::vector<BYTE> narrow;
            for (size_t i = 2; i < bytes.size(); i += 2) {
                narrow.push_back(bytes[i]);
            }
            bytes = narrow;
            break;
        }
        case 2: // a NUL byte, which also leaves a character cut in two
            bytes.insert(bytes.begin() + Below(static_cast<int>(bytes.size())), 0);
            break;
        default:
            break;
        }
        return bytes;
    }

private:
    int Below(int bound) { return static_cast<int>(m_random() % static_cast<uint32_t>(bound)); }
    size_t Pick(std::initializer_list<size_t> choices) {
        return *(choices.begin() + Below(static_cast<int>(choices.size())));
    }
    size_t Somewhere(const std::wstring& text) {
        return static_cast<size_t>(Below(static_cast<int>(text.size()) + 1));
    }
    size_t AfterTheKeyLine(const std::wstring& text) {
        const size_t key = text.find(L"Travine11]\r\n");
        return key != std::wstring::npos ? key + 12 : Somewhere(text);
    }

    void Damage(std::wstring& text) {
        static const wchar_t* const kInserts[] = {
            L"\\",
            L"\\x",
            L"\"",
            L",",
            L"g",
            L"\r\n",
            L"\r",
            L"\r\n\"HasLines\"=-\r\n",
            L"\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"HasLines\"=dword:1\r\n",
            L"\r\n[-HKEY_CURRENT_USER\\Software\\Travine11]\r\n",
            L"\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n",
        };
        switch (Below(5)) {
        case 0: // cut short
            text.resize(Somewhere(text));
            break;
        case 1: { // a line dropped
            const size_t start = text.find(L"\r\n", Somewhere(text));
            const size_t end = start == std::wstring::npos ? start : text.find(L"\r\n", start + 2);
            if (end != std::wstring::npos) {
                text.erase(start, end - start);
            }
            break;
        }
        case 2: // a wrong escape, odd hex, a stray line break, another key, a deletion
            text.insert(Somewhere(text), kInserts[Below(static_cast<int>(std::size(kInserts)))]);
            break;
        case 3: // an odd character
            if (!text.empty()) {
                text[Somewhere(text) % text.size()] = static_cast<wchar_t>(Below(0x10000));
            }
            break;
        default: { // a huge value, wrapped as regedit wraps it
            std::wstring huge = L"\"ShiftRetCmdExeFile\"=hex:";
            for (int i = 1000 + Below(150000); i > 0; --i) {
                huge += i % 25 == 0 ? L"41,\\\r\n  " : L"41,";
            }
            text.insert(AfterTheKeyLine(text), huge + L"00\r\n");
            break;
        }
        }
    }

    std::mt19937 m_random;
};

int FromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

TEST(StoreFuzz, AnyKeyLoadsQuicklyAndSavesAWellFormedFixedPoint) {
    WindowsVersionCase version;
    version.Set(L"22631", 4460, L"23H2");
    const int keys = FromEnvironment("TRAVINE_FUZZ_KEYS", 300);
    const int only = FromEnvironment("TRAVINE_FUZZ_SEED", -1);
    for (int k = 0; k < keys; ++k) {
        const uint32_t seed =
            only >= 0 ? static_cast<uint32_t>(only) : 0x7A710000u + static_cast<uint32_t>(k);
        SCOPED_TRACE("TRAVINE_FUZZ_SEED=" + std::to_string(seed));
        DeleteOptionsKey();
        version.SetBuild(seed % 4 == 0 ? L"19045" : L"22631"); // Windows 10 clears six options
        CRegistryValues registry;
        KeyMaker(seed).Write(registry);

        const auto start = std::chrono::steady_clock::now();
        Options loaded;
        LoadOptions(loaded);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        ASSERT_TRUE(SaveOptions(loaded));
        const StoredKey saved = StoredValues();
        ExpectWellFormed(saved);

        Options again;
        LoadOptions(again);
        ASSERT_TRUE(SaveOptions(again));
        EXPECT_TRUE(saved == StoredValues()) << "a second load and save changed the key";
        if (HasFailure() || only >= 0) {
            break;
        }
    }
    DeleteOptionsKey();
}

TEST(StoreFuzz, AnyFileIsRefusedOrLoadsToAFixedPointWithoutWriting) {
    WindowsVersionCase version;
    DeleteOptionsKey();
    const int files = FromEnvironment("TRAVINE_FUZZ_FILES", 400);
    int refused = 0;
    for (int k = 0; k < files; ++k) {
        const uint32_t seed = 0xF11E0000u + static_cast<uint32_t>(k);
        SCOPED_TRACE("file seed " + std::to_string(seed));
        version.SetBuild(seed % 4 == 0 ? L"19045" : L"22631");
        CRegFileWriter writer(L"fuzz");
        KeyMaker(seed).Write(writer);
        const std::vector<BYTE> file = FileMutator(seed).Mutate(writer.Bytes());

        const RegFileContents parsed = ParseRegFile(file.data(), file.size());
        if (parsed.error != RegFileError::kNone) {
            ++refused;
            ASSERT_EQ(0u, parsed.values.Count());
            continue;
        }
        Options loaded;
        LoadOptionsFrom(parsed.values, loaded);
        const std::vector<BYTE> saved = RecordBytes(loaded);
        const RegFileContents again = ParseRegFile(saved.data(), saved.size());
        ASSERT_EQ(RegFileError::kNone, again.error);
        ExpectWellFormed(AsStoredKey(again.values));
        Options reloaded;
        LoadOptionsFrom(again.values, reloaded);
        ASSERT_EQ(saved, RecordBytes(reloaded)) << "saving and loading changed the settings";
        ASSERT_FALSE(OptionsKeyExists()) << "a file load wrote to the registry";
        if (HasFailure()) {
            break;
        }
    }
    // Both ways are taken: neither every file refused nor every one accepted.
    EXPECT_GT(refused, files / 5);
    EXPECT_LT(refused, files * 4 / 5);
}

} // namespace
