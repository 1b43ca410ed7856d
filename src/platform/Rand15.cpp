#include "platform/Rand15.h"

Rand15& Rand15::Global() {
    static Rand15 generator;
    return generator;
}
