// A second instance for the single-instance tests: takes the lock named by its argument
// and answers through its exit code (0 taken, 1 held by another instance, 2 bad call,
// 3 no lock to take).
#include "platform/InstanceLock.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    switch (platform::InstanceLock::Acquire(argv[1]).outcome) {
    case platform::InstanceLock::Outcome::Taken:
        return 0;
    case platform::InstanceLock::Outcome::HeldElsewhere:
        return 1;
    case platform::InstanceLock::Outcome::CannotOpen:
        break;
    }
    return 3;
}
