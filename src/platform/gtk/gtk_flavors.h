// Flavors and the desktop's clipboard and drag targets. The program's own
// flavors travel as application/x-kxtext-<type> (a character other than a
// letter or digit as %XX), byte for byte; "utxt" also as UTF8_STRING and
// text/plain;charset=utf-8 (UTF-8 with LF line ends; inside the program
// UTF-16 in host order with CR), "RTF " as text/rtf, "JPEG" as image/jpeg,
// and "hfs " as text/uri-list (file: URIs of regular files only). Text that
// other programs offer as text/plain, TEXT or STRING is read as "utxt" too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

constexpr OSType kKxGtkUtxt = FourCC("utxt");
constexpr OSType kKxGtkHFS = FourCC("hfs ");

// The targets a flavor is offered under, the private one first.
std::vector<std::string> KxGtkTargetsOf(OSType type);
// The flavor a target brings, 0 for none; `isPrivate` tells whether it is
// one of the program's own.
OSType KxGtkFlavorOfTarget(const std::string& target, bool* isPrivate = nullptr);
// Of two desktop targets of one flavor, the lower rank is read: the
// program's own first, then UTF-8 forms, then the legacy ones.
int KxGtkTargetRank(const std::string& target);
// A flavor's bytes as `target` carries them; false when it cannot.
bool KxGtkExport(const std::string& target, OSType type, const std::vector<std::uint8_t>& in,
                 std::vector<std::uint8_t>& out);
// What `target` brought, as the flavor's bytes inside the program; false
// when nothing usable came. A file list gives one "hfs " record per
// regular file (`records`); other targets give one.
bool KxGtkImport(const std::string& target, const std::uint8_t* data, std::size_t size,
                 std::vector<std::vector<std::uint8_t>>& records);

// UTF-8 from outside (made valid, line ends CR, NULs kept) to UTF-16 in
// host order.
std::vector<std::uint8_t> KxGtkUtf8ToUtxt(const std::uint8_t* data, std::size_t size);
// UTF-16 in host order (an odd byte dropped, lone surrogates replaced) to
// UTF-8 with LF line ends, NULs kept.
std::string KxGtkUtxtToUtf8(const std::vector<std::uint8_t>& utxt);
