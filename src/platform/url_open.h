// Opening links found in text: only http, https and mailto, handed to the
// desktop's default application by the host (never through a shell).
#pragma once

#include <functional>
#include <string>

// Whether the link has one of the three schemes (letter case ignored) and
// holds no control character or space.
bool KxIsOpenableURL(const std::string& url);
// Asks the installed opener; false for a link of another scheme, when no
// opener is installed or when it fails.
bool KxOpenURL(const std::string& url);
// The GTK host installs GIO's default-application launch; tests install a
// stub. An empty function removes it.
void KxSetURLOpener(std::function<bool(const std::string&)> opener);
