// Resource identifiers shared by RamBroom.rc and the program.
#pragma once

#define IDI_APP 1
#define IDI_TRAY_IDLE 101
#define IDI_TRAY_BUSY 102

// The header logo as premultiplied BGRA ("RBIM") for 100, 150 and 200 % DPI.
#define IDR_LOGO_100 201
#define IDR_LOGO_150 202
#define IDR_LOGO_200 203
