// rambroom_trust_ca.exe add|remove FILE: the DER certificate FILE (check_server.py's ca.der) in
// or out of the prefix's root store of the current user, for the end-to-end tests that point
// RamBroom.exe at the loopback server (RAMBROOM_SERVER_URL). Exit code 0 on success.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/win/net/TrustCa_win.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0)) {
        std::fprintf(stderr, "usage: rambroom_trust_ca add|remove CA.der\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    std::ostringstream der;
    der << file.rdbuf();
    if (!file || der.str().empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const bool done = std::strcmp(argv[1], "add") == 0 ? TrustCa(der.str()) : DistrustCa(der.str());
    if (!done) {
        std::fprintf(stderr, "%s failed: error %lu\n", argv[1], ::GetLastError());
        return 1;
    }
    return 0;
}
