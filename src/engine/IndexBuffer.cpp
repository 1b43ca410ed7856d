#include "engine/IndexBuffer.h"

#include "engine/ObjectLog.h"

CIndexBuffer::~CIndexBuffer() {
    LogObject("Index Buffer Destruction. ");
    LogObjectNumber(static_cast<int32_t>(GetLockCount()));
    LogObject(" Locks left\n");
}
