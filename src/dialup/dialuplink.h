#pragma once

// Kept free of Qt: the Windows implementation is also built on its own.
#include <memory>

// The machine's dial-up connection, as the questionnaire sees it at exit.
class DialupLink
{
public:
    virtual ~DialupLink();

    // True when a dial-up connection is up; false otherwise, and on any failure.
    virtual bool connexionactive() = 0;

    // Asks for the dial-up connection to be hung up.  Its outcome is not reported.
    virtual void hangUp() = 0;
};

// Where the platform has no dial-up networking that the program knows of.
class NoDialupLink : public DialupLink
{
public:
    bool connexionactive() override { return false; }
    void hangUp() override {}
};

// The link of the platform the program runs on.
std::unique_ptr<DialupLink> makePlatformDialupLink();
