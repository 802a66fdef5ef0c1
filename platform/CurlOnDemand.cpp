// libcurl is loaded when the first request is made, not when the program
// starts: with the thirty libraries it brings (TLS, LDAP, Kerberos, SSH...)
// it was the largest part of Tarvel's start-up beyond a bare Qt window, and
// the button needs none of it to show. The programs call these functions
// as they would libcurl's own; each hands its call to libcurl's, found once
// in the library loaded then. Without libcurl a request fails as one that
// could not start.
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>
#include <mutex>

namespace {

struct Curl {
    void* library = nullptr;
    CURLcode (*global_init)(long) = nullptr;
    CURL* (*easy_init)() = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    void (*easy_reset)(CURL*) = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    CURLM* (*multi_init)() = nullptr;
    CURLMcode (*multi_cleanup)(CURLM*) = nullptr;
    CURLMcode (*multi_add_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_remove_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_perform)(CURLM*, int*) = nullptr;
    CURLMcode (*multi_poll)(CURLM*, curl_waitfd[], unsigned int, int, int*) = nullptr;
    CURLMsg* (*multi_info_read)(CURLM*, int*) = nullptr;
    curl_slist* (*slist_append)(curl_slist*, const char*) = nullptr;
    void (*slist_free_all)(curl_slist*) = nullptr;
    bool ok = false;
};

template <typename F> bool Find(void* library, const char* name, F*& function) {
    function = reinterpret_cast<F*>(dlsym(library, name));
    return function != nullptr;
}

const Curl& Lib() {
    static Curl curl;
    static std::once_flag once;
    std::call_once(once, [] {
        curl.library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!curl.library)
            return;
        void* l = curl.library;
        curl.ok = Find(l, "curl_global_init", curl.global_init) &&
                  Find(l, "curl_easy_init", curl.easy_init) &&
                  Find(l, "curl_easy_cleanup", curl.easy_cleanup) &&
                  Find(l, "curl_easy_reset", curl.easy_reset) &&
                  Find(l, "curl_easy_setopt", curl.easy_setopt) &&
                  Find(l, "curl_easy_getinfo", curl.easy_getinfo) &&
                  Find(l, "curl_multi_init", curl.multi_init) &&
                  Find(l, "curl_multi_cleanup", curl.multi_cleanup) &&
                  Find(l, "curl_multi_add_handle", curl.multi_add_handle) &&
                  Find(l, "curl_multi_remove_handle", curl.multi_remove_handle) &&
                  Find(l, "curl_multi_perform", curl.multi_perform) &&
                  Find(l, "curl_multi_poll", curl.multi_poll) &&
                  Find(l, "curl_multi_info_read", curl.multi_info_read) &&
                  Find(l, "curl_slist_append", curl.slist_append) &&
                  Find(l, "curl_slist_free_all", curl.slist_free_all);
    });
    return curl;
}

} // namespace

// The names in parentheses: curl.h makes the two variadic ones macros.
extern "C" {

CURLcode curl_global_init(long flags) {
    return Lib().ok ? Lib().global_init(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    return Lib().ok ? Lib().easy_init() : nullptr;
}

void curl_easy_cleanup(CURL* easy) {
    if (easy && Lib().ok)
        Lib().easy_cleanup(easy);
}

void curl_easy_reset(CURL* easy) {
    if (easy && Lib().ok)
        Lib().easy_reset(easy);
}

CURLcode(curl_easy_setopt)(CURL* easy, CURLoption option, ...) {
    if (!Lib().ok)
        return CURLE_FAILED_INIT;
    // The option's number tells the type of its value.
    va_list args;
    va_start(args, option);
    CURLcode code;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        code = Lib().easy_setopt(easy, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        code = Lib().easy_setopt(easy, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        code = Lib().easy_setopt(easy, option, va_arg(args, void (*)()));
    else if (option < CURLOPTTYPE_BLOB)
        code = Lib().easy_setopt(easy, option, va_arg(args, curl_off_t));
    else
        code = Lib().easy_setopt(easy, option, va_arg(args, void*));
    va_end(args);
    return code;
}

CURLcode(curl_easy_getinfo)(CURL* easy, CURLINFO info, ...) {
    if (!Lib().ok)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*); // every kind of information is written through a pointer
    va_end(args);
    return Lib().easy_getinfo(easy, info, out);
}

CURLM* curl_multi_init() {
    return Lib().ok ? Lib().multi_init() : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return multi && Lib().ok ? Lib().multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    return Lib().ok ? Lib().multi_add_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
    return Lib().ok ? Lib().multi_remove_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    return Lib().ok ? Lib().multi_perform(multi, running) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count, int timeoutMs,
                          int* numfds) {
    return Lib().ok ? Lib().multi_poll(multi, extra, count, timeoutMs, numfds) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    return Lib().ok ? Lib().multi_info_read(multi, left) : nullptr;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    return Lib().ok ? Lib().slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (list && Lib().ok)
        Lib().slist_free_all(list);
}

} // extern "C"
