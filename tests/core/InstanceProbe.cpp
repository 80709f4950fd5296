// A second instance for the single-instance tests: takes the lock named by its argument
// and answers through its exit code (0 taken, 1 refused, 2 bad call).
#include "platform/InstanceLock.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    return platform::InstanceLock::Acquire(argv[1]) ? 0 : 1;
}
