/* A plain C interface to automation objects such as KvrLib.KVRPort, for scripts in other
 * languages (Python ctypes, for example). Every function returns an HRESULT-style status:
 * 0 on success, negative on failure; kvr_error_message tells what a status means. */
#ifndef KVRLIB_C_API_H
#define KVRLIB_C_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kvr_object kvr_object;

enum kvr_type { KVR_EMPTY = 0, KVR_INT16 = 1, KVR_INT32 = 2, KVR_DOUBLE = 3, KVR_BOOL = 4, KVR_STRING = 5 };
enum kvr_invoke { KVR_METHOD = 1, KVR_GET = 2, KVR_PUT = 4 };

/* One value. For KVR_INT16, KVR_INT32 and KVR_BOOL the number is in i (a Boolean is 0 or 1),
 * for KVR_DOUBLE in d, for KVR_STRING s points to UTF-8 text. Strings that the library returns
 * (results, and by-reference arguments it writes back) belong to the caller: kvr_value_clear. */
typedef struct kvr_value {
    int32_t type;
    int32_t i;
    double d;
    char* s;
} kvr_value;

int32_t kvr_initialize(void);
/* Searches `path` first for registered classes (for example a build tree's registry file). */
int32_t kvr_add_registry_file(const char* path);
int32_t kvr_create(const char* progid, kvr_object** out);
void kvr_release(kvr_object* object);

int32_t kvr_id_of_name(kvr_object* object, const char* name, int32_t* dispid);
/* args: nargs values in declaration order, or the value of a put; result may be NULL. */
int32_t kvr_invoke(kvr_object* object, int32_t dispid, int32_t kind, kvr_value* args, int32_t nargs,
                   kvr_value* result);

/* Type information: member count, and member `index` (0-based, sorted by dispatch id). The
 * returned texts belong to the library and stay valid while the object lives. */
int32_t kvr_member_count(kvr_object* object);
int32_t kvr_member_info(kvr_object* object, int32_t index, int32_t* dispid, const char** name,
                        const char** access, const char** type);

void kvr_value_clear(kvr_value* value);
const char* kvr_error_message(int32_t status);

#ifdef __cplusplus
}
#endif

#endif
