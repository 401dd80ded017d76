// A reference held on the object while a member pumps messages: a handler run
// meanwhile may release the host's last one, and the object must outlive the
// member that is still using it. The last release then comes when it returns.
#pragma once
#include "core/velk.h"

namespace velk {

class KeepAlive {
public:
    explicit KeepAlive(VelkObject* self) : self_(self) { self_->AddRef(); }
    ~KeepAlive() { self_->Release(); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    VelkObject* self_;
};

}  // namespace velk
