// A Windows program that imports a DLL the launcher must never need
// (WS2_32): the import check is run on it and must fail, which shows that
// the check looks at what a program really imports.
#include <winsock2.h>

int main() { return WSAGetLastError() == 12345 ? 1 : 0; }
