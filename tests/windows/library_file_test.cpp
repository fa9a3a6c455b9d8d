// SPDX-License-Identifier: Apache-2.0
// The Windows library file as a program that loads it sees it: the export
// directory (its name, ordinal base and names), every name <-> ordinal pair
// through GetProcAddress, and the version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "vekdi.h"

namespace {

// The export names in slot order; slot s has ordinal s + 1.
constexpr const char* kExportNames[] = {
#include "export_names.inc"
};
constexpr size_t kExportCount = std::size(kExportNames);
constexpr const char* kLibraryFile = "vekdih9-7.1.dll";

class LibraryFile : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(kLibraryFile);
        ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    const uint8_t* base() const { return reinterpret_cast<const uint8_t*>(module_); }

    HMODULE module_ = nullptr;
};

TEST_F(LibraryFile, ExportDirectoryHoldsTheNamesInSlotOrder) {
    ASSERT_EQ(kExportCount, 41u);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base() + entry.VirtualAddress);

    EXPECT_STREQ(reinterpret_cast<const char*>(base() + dir->Name), kLibraryFile);
    EXPECT_EQ(dir->Base, 1u);
    EXPECT_EQ(dir->NumberOfFunctions, kExportCount);
    ASSERT_EQ(dir->NumberOfNames, kExportCount);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base() + dir->AddressOfNames);
    const auto* nameOrdinals = reinterpret_cast<const WORD*>(base() + dir->AddressOfNameOrdinals);
    for (size_t i = 0; i < kExportCount; ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(base() + nameRvas[i]), kExportNames[i]) << "name #" << i;
        EXPECT_EQ(nameOrdinals[i] + dir->Base, i + 1) << kExportNames[i];
    }
}

TEST_F(LibraryFile, EveryNameResolvesToTheAddressOfItsOrdinal) {
    std::set<FARPROC> addresses;
    for (size_t slot = 0; slot < kExportCount; ++slot) {
        const FARPROC byName = GetProcAddress(module_, kExportNames[slot]);
        const FARPROC byOrdinal = GetProcAddress(module_, MAKEINTRESOURCEA(slot + 1));
        ASSERT_NE(byName, nullptr) << kExportNames[slot];
        EXPECT_EQ(byName, byOrdinal) << kExportNames[slot] << " is not at ordinal " << slot + 1;
        addresses.insert(byName);
    }
    // Every export is its own entry point (shared implementations sit behind
    // them), so no two ordinals may alias.
    EXPECT_EQ(addresses.size(), kExportCount);
    EXPECT_EQ(GetProcAddress(module_, MAKEINTRESOURCEA(kExportCount + 1)), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "veksGFDoesNotExist_8u"), nullptr);
}

std::string versionString(const std::vector<char>& info, const char* key) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &bytes) ||
        bytes < sizeof(Translation)) {
        return "<no translation>";
    }
    char path[128];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language, translations[0].codePage, key);
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&text), &length) || length == 0) {
        return std::string("<no ") + key + ">";
    }
    return std::string(text);
}

TEST_F(LibraryFile, VersionResourceStatesFileAndProductVersion) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module_, path, MAX_PATH), 0u);
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &unused);
    ASSERT_GT(size, 0u) << "no version resource in " << path;
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 7);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 566);

    EXPECT_EQ(versionString(info, "FileVersion"), "7.1.0.566");
    EXPECT_EQ(versionString(info, "ProductVersion"), "7.1.0 (r36264)");

    // The product version text is the version record's text.
    using GetLibVersion = const VekdiLibVersion* (*)();
    const auto getLibVersion = reinterpret_cast<GetLibVersion>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "vekdiGetLibVersion")));
    ASSERT_NE(getLibVersion, nullptr);
    EXPECT_EQ(versionString(info, "ProductVersion"), getLibVersion()->versionText);
}

}  // namespace
