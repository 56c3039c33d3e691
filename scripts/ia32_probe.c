// Can this machine run 32-bit x86 code? Wine's WoW64 mode runs the 32-bit
// program inside its 64-bit process by a far transfer to the kernel's 32-bit
// user code segment; a kernel whose 32-bit emulation is off (a boot option,
// or a hypervisor that cannot give compat mode) leaves that segment unusable
// and the transfer faults. This program makes the same transfer: it exits
// with 0 when a piece of 32-bit code ran and came back, and dies of the
// fault otherwise (the caller sees a signal, never a false 0).
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>

enum {
    User32CodeSelector = 0x23,
    User64CodeSelector = 0x33,
    Answer = 42,
    PageSize = 4096,
    ReturnStubOffset = 256,
    ReturnSlotOffset = 512,
};

int main(void) {
    // Code, the way back and the stack of the 32-bit side must all lie below
    // 4 GB, where 32-bit addresses reach.
    uint8_t* low = mmap(NULL, 2 * PageSize, PROT_READ | PROT_WRITE | PROT_EXEC,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (low == MAP_FAILED) {
        perror("ia32_probe: mmap");
        return 2;
    }
    // 32-bit code: mov eax, Answer; retf (pops a 32-bit offset and selector).
    const uint8_t code32[] = {0xB8, Answer, 0, 0, 0, 0xCB};
    memcpy(low, code32, sizeof code32);
    // 64-bit stub below 4 GB, reached by that retf: jmp [slot], where the
    // slot (also below 4 GB) holds the way back into main.
    uint8_t* stub = low + ReturnStubOffset;
    uint64_t* slot = (uint64_t*)(low + ReturnSlotOffset);
    const uint8_t jump[] = {0xFF, 0x24, 0x25};
    const uint32_t slotAddress = (uint32_t)(uintptr_t)slot;
    memcpy(stub, jump, sizeof jump);
    memcpy(stub + sizeof jump, &slotAddress, sizeof slotAddress);
    // The 32-bit side's stack holds its far return to the 64-bit selector.
    uint32_t* stack32 = (uint32_t*)(low + 2 * PageSize - 64);
    stack32[0] = (uint32_t)(uintptr_t)stub;
    stack32[1] = User64CodeSelector;

    uint32_t answer = 0;
    // rbx keeps the 64-bit stack pointer: the 32-bit code does not touch it.
    __asm__ volatile("lea 1f(%%rip), %%rax\n\t"
                     "mov %%rax, (%[slot])\n\t"
                     "mov %%rsp, %%rbx\n\t"
                     "mov %[stack], %%rsp\n\t"
                     "sub $16, %%rsp\n\t"
                     "mov %[code], 0(%%rsp)\n\t"
                     "movq %[selector], 8(%%rsp)\n\t"
                     "lretq\n\t"
                     "1: mov %%rbx, %%rsp\n\t"
                     "mov %%eax, %[answer]\n\t"
                     : [answer] "=m"(answer)
                     : [code] "r"((uint64_t)(uintptr_t)low), [stack] "r"((uint64_t)(uintptr_t)stack32),
                       [slot] "r"(slot), [selector] "i"(User32CodeSelector)
                     : "rax", "rbx", "cc", "memory");
    return answer == Answer ? 0 : 1;
}
