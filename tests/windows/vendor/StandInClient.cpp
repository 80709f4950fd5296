// Stand-in for the vendor's jtag_client.dll: the JTAG server's client side, which the UART
// library relies on. Ours only has to be there, and be loaded first.
extern "C" __declspec(dllexport) int standin_jtag_client_revision() { return 7; }
