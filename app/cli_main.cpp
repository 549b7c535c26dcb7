// Entry routine of kelvora-cli, the console companion.
#include <cstdio>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    fprintf(stderr, "usage: kelvora-cli l|t|x ARCHIVE ...\n");
    return 2;
}
