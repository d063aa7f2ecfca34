// The simulated registry: keys and typed values under the predefined roots.
#pragma once

namespace winsim {

class Registry {
public:
    void Clear() {}
};

}  // namespace winsim
