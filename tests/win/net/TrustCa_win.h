#pragma once
// The test CA in the Wine prefix's root store of the current user, where WinHTTP's certificate
// check looks (Wine 8 reads the store afresh for each chain, so nothing outside the prefix
// changes). Used by the network tests for their run and by rambroom_trust_ca.exe for the
// end-to-end tests of RamBroom.exe.

#include <string>

// Adds the DER certificate `der` to the store; false with GetLastError when it could not.
bool TrustCa(const std::string& der);
// Removes it again; true when it is not there (any more).
bool DistrustCa(const std::string& der);
