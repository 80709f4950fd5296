#include "platform/ForeignCall.h"

// The 32-bit routine behind CallForeign. 64-bit Windows has one calling convention, so
// there is nothing to do there.
#if defined(__i386__)
// uint64_t vx5h_CallKeepingStack(const void* entry, const uint32_t* words, uint32_t count)
//
// EBP keeps the stack pointer of the frame; after the call ESP is rebuilt from it, so a
// callee that popped its arguments (stdcall) and one that did not (cdecl) both return
// here to the same stack. The arguments are copied below a 16-byte boundary, which
// satisfies callees built to expect either 4- or 16-byte alignment. EAX:EDX (an integer
// result) and ST(0) (a floating-point one) are left as the callee set them.
asm(R"(
    .text
    .p2align 4
    .globl _vx5h_CallKeepingStack
    .globl _vx5h_CallKeepingStackReal
    .def _vx5h_CallKeepingStack; .scl 2; .type 32; .endef
    .def _vx5h_CallKeepingStackReal; .scl 2; .type 32; .endef
_vx5h_CallKeepingStack:
_vx5h_CallKeepingStackReal:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    xorl %edx, %edx
1:  cmpl %ecx, %edx
    jae 2f
    movl (%esi,%edx,4), %eax
    movl %eax, (%esp,%edx,4)
    incl %edx
    jmp 1b
2:  call *8(%ebp)
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
)");
#endif
