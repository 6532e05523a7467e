// A console program around the Windows dial-up link, cross-built by the tests
// so that the link is known to build (and can be tried by hand on Windows:
// "winprobe raccrocher" also hangs up).
#include "dialup/dialuplink.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const auto link = makePlatformDialupLink();
    const bool up = link->connexionactive();
    std::printf("%s\n", up ? "connexion active" : "aucune connexion");
    if (up && argc > 1 && std::strcmp(argv[1], "raccrocher") == 0)
        link->hangUp();
    return 0;
}
