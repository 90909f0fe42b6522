; Prints a greeting and the length of the command line's first argument.
; Linux x86-64, NASM syntax: nasm -f elf64 asm-ex1.asm && ld -o greet asm-ex1.o

%define SYS_WRITE 1
%define SYS_EXIT  60
%macro write 2
        mov     rax, SYS_WRITE
        mov     rdi, 1
        mov     rsi, %1
        mov     rdx, %2
        syscall
%endmacro

        bits    64
        default rel

section .data
greeting:   db      "Hello, world!", 0x0A      ; with a line feed
greet_len:  equ     $ - greeting
digits:     db      '0123456789'
mask:       dd      0FFh, 1010b, 17q

section .bss
buffer:     resb    16

section .text
        global  _start

_start:
        write   greeting, greet_len
        mov     rcx, [rsp + 16]         ; argv[1], or NULL
        xor     eax, eax
        test    rcx, rcx
        jz      .done
.count:
        cmp     byte [rcx + rax], 0
        je      .done
        inc     rax
        jmp     .count
.done:
        movzx   edx, byte [digits + rax]
        mov     [buffer], dl
        write   buffer, 1
        mov     rax, SYS_EXIT
        xor     edi, edi
        syscall
