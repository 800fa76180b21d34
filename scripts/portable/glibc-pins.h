/* Included before every source file of the portable launcher and of the
 * libraries linked into it (gcc -include), so that the binary built against
 * the build root's C library (2.31) asks for nothing newer than 2.17.
 *
 * Each line binds a symbol that the newer C library versioned anew to the
 * x86_64 version it had since 2.2.5; the old ones behave the same for the
 * way these programs call them (the newer maths functions differ only in
 * not setting errno through the SVID error handler, fcntl64 is fcntl on a
 * 64-bit system). Functions that did not exist yet in 2.17 cannot be pinned
 * and are defined in glibc-compat.c instead. */
#if defined(__x86_64__) && defined(__linux__)
#ifdef __ASSEMBLER__
#else
__asm__(".symver fcntl64,fcntl@GLIBC_2.2.5");
__asm__(".symver exp,exp@GLIBC_2.2.5");
__asm__(".symver exp2,exp2@GLIBC_2.2.5");
__asm__(".symver log,log@GLIBC_2.2.5");
__asm__(".symver log2,log2@GLIBC_2.2.5");
__asm__(".symver pow,pow@GLIBC_2.2.5");
__asm__(".symver expf,expf@GLIBC_2.2.5");
__asm__(".symver exp2f,exp2f@GLIBC_2.2.5");
__asm__(".symver logf,logf@GLIBC_2.2.5");
__asm__(".symver log2f,log2f@GLIBC_2.2.5");
__asm__(".symver powf,powf@GLIBC_2.2.5");
__asm__(".symver glob,glob@GLIBC_2.2.5");
__asm__(".symver glob64,glob64@GLIBC_2.2.5");
#endif
#endif
