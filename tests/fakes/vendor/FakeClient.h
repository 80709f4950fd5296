#pragma once

// What our stand-in UART library needs from the stand-in client library, as the real
// one needs the real client's: it links without it, so the client must be loaded first,
// with its symbols global.
constexpr int FAKE_JTAG_CLIENT_REVISION = 7;
__attribute__((visibility("default"))) int fake_jtag_client_revision();
