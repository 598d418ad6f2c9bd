// Internal to src/pdf/: the library handle stored inside an Object.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include "pdf/object.h"

namespace zvk::pdf {

struct Object::Access {
    static QPDFObjectHandle& handle(Object& o);
    static const QPDFObjectHandle& handle(const Object& o);
    static Object make(QPDFObjectHandle h, bool followed);
};

}  // namespace zvk::pdf
