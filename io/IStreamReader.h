#pragma once

#include "io/ISeekable.h"
#include "io/ISequentialStreamReader.h"

namespace tessary {

// A stream that can be both read and positioned.
class IStreamReader : public ISequentialStreamReader, public virtual ISeekable {
public:
    ~IStreamReader() override = default;

protected:
    IStreamReader() = default;
    IStreamReader(const IStreamReader&) = default;
    IStreamReader& operator=(const IStreamReader&) = default;
};

}  // namespace tessary
