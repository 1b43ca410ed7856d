#include "engine/VertexBuffer.h"

#include "engine/ObjectLog.h"

CVertexBuffer::~CVertexBuffer() {
    LogObject("Vertex Buffer Destruction. ");
    LogObjectNumber(static_cast<int32_t>(GetLockCount()));
    LogObject(" Locks left\n");
}
