// UDrvClose on 32-bit Windows: a true forward to Tagcore's close.
//
// The host's close passes what its own Tagcore expects, and under __stdcall
// the callee removes the arguments. A C function would have to name an
// argument count and remove that many, which breaks the stack of a host that
// passes another. So UDrvClose closes the link first (a plain call that
// leaves the host's arguments and return address where they are) and then
// jumps to Tagcore's close: that function finds the host's arguments, removes
// what the host pushed and returns straight to the host with its result.
// Tagcore's close is imported by ordinal; its import table slot is read here.
extern "C" void VorneCloseBeforeForward() noexcept;

asm(R"(
    .text
    .p2align 4
    .globl _UDrvClose
    .def _UDrvClose; .scl 2; .type 32; .endef
_UDrvClose:
    call _VorneCloseBeforeForward
    jmp *__imp__CloseDriver@4
)");
