# Copies FROM to TO unless TO exists (cmake -DFROM=... -DTO=... -P CopyIfMissing.cmake).
if(NOT EXISTS "${TO}")
    file(COPY_FILE "${FROM}" "${TO}")
endif()
