// Stand-in for the vendor's libjtag_client.so: the JTAG server's client side, which the
// UART library relies on and finds only among global symbols.
#include "FakeClient.h"

int fake_jtag_client_revision() { return FAKE_JTAG_CLIENT_REVISION; }
