#pragma once
// The program's version and addresses, given by the build.

namespace ks {

// The program's version, from the build ("0.1"); the same for the application and karstelle-cli.
inline constexpr const char* kVersion = KARST_VERSION;
// The project's web page and mail address, given to the build; empty when none was.
inline constexpr const char* kWebAddress = KARST_WEB_ADDRESS;
inline constexpr const char* kMailAddress = KARST_MAIL_ADDRESS;

} // namespace ks
