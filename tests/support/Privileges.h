#pragma once
// Tests run as root, who reads every file and folder. For as long as one of these lives, the
// calling thread lacks the capabilities that override permissions (from its effective set only,
// so they come back afterwards), and sees what an ordinary user sees.

namespace sondrel::test {

class TWithoutDacOverride
{
public:
    TWithoutDacOverride();
    ~TWithoutDacOverride();
    TWithoutDacOverride(const TWithoutDacOverride&) = delete;
    TWithoutDacOverride& operator=(const TWithoutDacOverride&) = delete;

private:
    bool m_dropped = false;
};

} // namespace sondrel::test
