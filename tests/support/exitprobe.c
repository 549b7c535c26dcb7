/* A stand-in test program for the runner's own test: prints GoogleTest's closing line and then
 * stays alive for the milliseconds given as its first argument, as a program that hangs at exit;
 * a second argument, when it is a number, is its exit code. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv)
{
    printf("[==========] 1 test from 1 test suite ran. (0 ms total)\n[  PASSED  ] 1 test.\n");
    fflush(stdout);
    if (argc > 1) Sleep((DWORD)strtoul(argv[1], NULL, 10));
    return argc > 2 ? atoi(argv[2]) : 0;
}
