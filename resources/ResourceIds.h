// Resource identifiers shared by RamBroom.rc and the program.
#pragma once

#define IDI_APP 1
#define IDI_TRAY_IDLE 101
#define IDI_TRAY_BUSY 102

// The header logo rendered for 100 to 300 % DPI, run-length encoded ("RBRL", widgets/LogoImage.h).
#define IDR_LOGO_100 201
#define IDR_LOGO_150 202
#define IDR_LOGO_200 203
#define IDR_LOGO_125 204
#define IDR_LOGO_175 205
#define IDR_LOGO_250 206
#define IDR_LOGO_300 207
