// The simulated process table and the services.
#pragma once

namespace winsim {

class Processes {
public:
    void Clear() {}
};

}  // namespace winsim
