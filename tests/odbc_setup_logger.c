/* A driver's setup library that logs each request the ODBC installer hands it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
int SQLGetConfigMode(unsigned short*);
int ConfigDSN(void* window, unsigned short request, const char* driver, const char* attributes) {
    unsigned short mode = 0;
    SQLGetConfigMode(&mode);
    FILE* log = fopen(getenv("TINTEXT_DSN_LOG"), "a");
    fprintf(log, "%u %u %s ", request, mode, driver);
    for (const char* p = attributes; *p; p += strlen(p) + 1) fprintf(log, "[%s]", p);
    fprintf(log, "\n");
    fclose(log);
    return 1;
}
