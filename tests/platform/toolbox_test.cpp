// Toolbox helpers: the key table, cursors by ID, environment flags, file
// types from names and folder scans.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/host/headless.h"
#include "platform/toolbox/cursors.h"
#include "platform/toolbox/environment.h"
#include "platform/toolbox/fsspec.h"
#include "platform/toolbox/keytable.h"

namespace {

TEST(KeyTable, FollowsTheUSKeyboard) {
  const struct {
    std::uint8_t code, ch;
  } cases[] = {{0x31, ' '}, {0x24, 0x0D}, {0x7B, 0x1C}, {0x7C, 0x1D}, {0x7E, 0x1E}, {0x7D, 0x1F}, {0x00, 'A'},
               {0x12, '1'}, {0x1B, '-'},  {0x30, 0x09}, {0x33, 0x08}, {0x35, 0x1B}, {0x47, 0x1B}, {0x4C, 0x03},
               {0x72, 0x05}, {0x73, 0x01}, {0x77, 0x04}, {0x74, 0x0B}, {0x79, 0x0C}, {0x75, 0x7F}, {0x7A, 0x10},
               {0x5C, '9'}, {0x34, 0},    {0x80, 0},    {0xFF, 0}};
  for (const auto& c : cases) EXPECT_EQ(UKeyTable::GetCharCode(c.code), c.ch) << int(c.code);
  // 95 distinct key codes, every one giving a character.
  std::set<std::uint8_t> codes;
  for (const auto& p : UKeyTable::sKeyTable) {
    codes.insert(p.keyCode);
    EXPECT_NE(p.charCode, 0) << int(p.keyCode);
  }
  EXPECT_EQ(codes.size(), 95u);
  std::uint8_t code = 0;
  ASSERT_TRUE(UKeyTable::GetKeyCode('Q', code));
  EXPECT_EQ(code, 0x0C);
  EXPECT_FALSE(UKeyTable::GetKeyCode('q', code));
}

TEST(Cursors, SetFallsBackByGroupAndTickAnimates) {
  KxHeadlessHost host;
  UCursors::Forget();
  const struct {
    std::int16_t set, current;
  } cases[] = {
      {1041, 1041},   // carried
      {1045, 1040},   // not carried: its group's base
      {2000, 1024},   // nothing for the group: the arrow
      {1107, 1104},   // the drag group's base
      {1070, 1056},   // the cross group
      {0, 1056},      // 0 changes nothing
  };
  for (const auto& c : cases) {
    UCursors::Set(c.set);
    EXPECT_EQ(UCursors::Get(), c.current) << c.set;
    EXPECT_EQ(host.GetCursor(), c.current);
  }
  StCursors watch(kKxWatchCursor);
  EXPECT_EQ(UCursors::Get(), 1088);
  UCursors::Tick();
  EXPECT_EQ(UCursors::Get(), 1089);
  // Within a group the frames wrap.
  StCursors at1055(1040);
  for (int i = 0; i < 15; ++i) UCursors::Tick(1040);
  EXPECT_EQ(UCursors::Get(), 1055);
  UCursors::Tick(1041);
  EXPECT_EQ(UCursors::Get(), 1040);
  UCursors::Tick(1088);   // another group: set as it is
  EXPECT_EQ(UCursors::Get(), 1088);
}

TEST(Environment, FlagsFollowTheSystemVersion) {
  const struct {
    std::uint16_t version, appearance;
    std::uint8_t os71, os8, os9, osx, osx103, osx106, appearanceFlag, unicode;
  } cases[] = {
      {0x0710, 0, 1, 0, 0, 0, 0, 0, 0, 0},  {0x0860, 0x0110, 0, 1, 0, 0, 0, 0, 1, 1},
      {0x0860, 0x0101, 0, 0, 0, 0, 0, 0, 0, 1}, {0x0922, 0x0110, 0, 0, 1, 0, 0, 0, 1, 1},
      {0x1039, 0x0110, 0, 0, 0, 1, 1, 0, 1, 1}, {kKxSystemVersion, 0, 0, 0, 0, 1, 1, 1, 0, 1},
  };
  for (const auto& c : cases) {
    UKXEnvironment::InitEnvironment(c.version, c.appearance);
    EXPECT_EQ(UKXEnvironment::sHasMacOS71, c.os71) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasMacOS8, c.os8) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasMacOS9, c.os9) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasMacOSX, c.osx) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasMacOSX103, c.osx103) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasMacOSX106, c.osx106) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasAppearance, c.appearanceFlag) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasUnicode, c.unicode) << std::hex << c.version;
    EXPECT_EQ(UKXEnvironment::sHasCarbon, 1);
  }
  UKXEnvironment::InitEnvironment();
}

TEST(FileSpecs, TypesFromNamesAndFolderScans) {
  const struct {
    const char* name;
    OSType type;
  } cases[] = {{"a.txt", FourCC("TEXT")}, {"b.JPEG", FourCC("JPEG")}, {"c.rtfd", 0},  {".txt", 0},
               {"x.html", FourCC("TEXT")}, {"xhtml", 0},             {"p.PCT", FourCC("PICT")},
               {"q.pict", FourCC("PICT")}, {"r.jpe", FourCC("JPEG")}, {"s.Text", FourCC("TEXT")}};
  for (const auto& c : cases) EXPECT_EQ(UFSSpec::GetMacOSXFileType(std::string(c.name)), c.type) << c.name;
  const unsigned char shortName[] = "\x06" "ab#12c";
  const unsigned char plain[] = "\x03" "abc";
  EXPECT_TRUE(UFSSpec::IsUnicodeFileName(shortName));
  EXPECT_FALSE(UFSSpec::IsUnicodeFileName(plain));

  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "kx_fsspec_scan";
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  fs::create_directories(dir / ".hidden");
  for (const char* n : {"b.txt", "a.jpg", "c.dat", ".d.txt"}) std::ofstream(dir / n) << "x";
  const FSSpec folder = UFSSpec::MakeFSSpec(dir.string() + "/");
  EXPECT_TRUE(UFSSpec::IsDirectory(folder));
  FSSpec parent;
  ASSERT_TRUE(UFSSpec::GetParentFSSpec(folder, parent));
  EXPECT_EQ(parent.Path(), fs::temp_directory_path().string());

  UFSSpec::Scan scan;
  FSSpec found;
  std::vector<std::pair<std::string, OSType>> seen;
  for (OSType t = UFSSpec::FindFSSpec(folder, kKxAnyType, true, scan, found); t; t = UFSSpec::NextFSSpec(scan, found))
    seen.emplace_back(found.name, t);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, OSType>>{
                      {"a.jpg", FourCC("JPEG")}, {"b.txt", FourCC("TEXT")}, {"sub", kKxFolderType}}));
  ASSERT_EQ(UFSSpec::FindFSSpec(folder, FourCC("TEXT"), false, scan, found), FourCC("TEXT"));
  EXPECT_EQ(found.name, "b.txt");
  EXPECT_EQ(UFSSpec::NextFSSpec(scan, found), 0u);
  fs::remove_all(dir);
}

}  // namespace
