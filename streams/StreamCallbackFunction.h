#pragma once
// The application's record callback, one type for all six kinds of stream.
//
// It runs on the receive thread of its stream, one record at a time; callbacks
// of different kinds run on different threads and may overlap.
//
//   context      the opaque pointer registered with the callback
//   record       the first byte of one whole record, exactly as the server sent
//                it. It points into the stream's receive buffer and is valid only
//                until the callback returns: copy what you keep. Records of one
//                connection arrive at different places in that buffer.
//   recordCount  the number of records at record: always 1
//   objectName   the name of the record's source object, the callback's own
//                copy. Names of up to 15 characters fit the standard string's
//                own small buffer, so passing them costs no allocation.
#include <string>

using StreamCallbackFunction = void (*)(void* context, const unsigned char* record, int recordCount,
                                        std::string objectName);
