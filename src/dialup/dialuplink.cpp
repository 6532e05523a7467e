#include "dialup/dialuplink.h"

DialupLink::~DialupLink() = default;

// Linux and Windows have their own links (NetworkManager, remote access).
#if !defined(_WIN32) && !defined(__linux__)
std::unique_ptr<DialupLink> makePlatformDialupLink()
{
    return std::make_unique<NoDialupLink>();
}
#endif
