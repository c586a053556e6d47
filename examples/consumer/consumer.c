/*
 * A program outside the project, built against an installed ZRLShared:
 *   CMake:       find_package(ZRLShared) and the imported targets (CMakeLists.txt)
 *   pkg-config:  cc consumer.c $(pkg-config --cflags --libs zrlshared utf8fs)
 * It formats a number with the library, prints it on channel C, and writes,
 * measures and removes a file with a UTF-8 name through utf8fs.  Prints
 * "consumer ok" and ends with 0 when every result is the expected one.
 */
#include <stdio.h>
#include <string.h>

#include <utf8fs.h>
#include <zrlshared.h>

int main(void) {
    static const char name[] = "consumer-\xc3\xa9t\xc3\xa9.txt"; /* "consumer-été.txt" */
    int value = -1234567;
    char digits[12];
    struct utf8fs_stat32 record;
    FILE *file;
    int failures = 0;

    if (convia(&value, digits) != 8 || strcmp(digits, "-1234567") != 0) {
        printf("consumer: convia gave \"%s\"\n", digits);
        failures++;
    }
    if (QV_Cprintf("consumer: %s\n", digits) < 0) failures++;

    file = fopen_utf8(name, "wb");
    if (file == NULL || fputs("seven\n", file) < 0 || fclose(file) != 0 ||
        stat32_utf8(name, &record) != 0 || record.st_size != 6 || remove_utf8(name) != 0) {
        printf("consumer: the file %s could not be written, measured and removed\n", name);
        failures++;
    }
    if (failures == 0) printf("consumer ok\n");
    return failures == 0 ? 0 : 1;
}
