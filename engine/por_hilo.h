// One object per thread, made on the thread's first use and deleted when the
// thread ends. A thread_local object with a destructor will not do: under
// mingw-w64's emulated thread storage it is destroyed after its storage was
// freed, a use after free that crashes threads as they end. The thread_local
// here is a plain pointer, and the object is deleted by a key of the threads
// library, whose destructor gets the pointer itself.
#pragma once

#include <pthread.h>

namespace brenquil {

// T must be default-constructible; each distinct T is its own object, so a
// caller keeps its buffers in a type of its own.
template <class T>
T& porHilo() {
    thread_local T* objeto = nullptr;
    if (!objeto) {
        static const pthread_key_t clave = [] {
            pthread_key_t k;
            pthread_key_create(&k, [](void* p) { delete static_cast<T*>(p); });
            return k;
        }();
        objeto = new T();
        pthread_setspecific(clave, objeto);
    }
    return *objeto;
}

}  // namespace brenquil
