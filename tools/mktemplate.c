/* Builds the empty diary database that ships beside the program. */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>

static char* readAll(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    char* buf = malloc((size_t)n + 1);
    if (buf && fread(buf, 1, (size_t)n, f) != (size_t)n) {
        free(buf);
        buf = NULL;
    }
    if (buf) buf[n] = '\0';
    fclose(f);
    return buf;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s schema.sql out.mdb\n", argv[0]);
        return 2;
    }
    char* schema = readAll(argv[1]);
    if (!schema) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    remove(argv[2]);
    sqlite3* db = NULL;
    char* err = NULL;
    int rc = sqlite3_open(argv[2], &db);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, schema, NULL, NULL, &err);
    if (rc != SQLITE_OK) fprintf(stderr, "%s\n", err ? err : sqlite3_errmsg(db));
    sqlite3_free(err);
    sqlite3_close(db);
    free(schema);
    return rc == SQLITE_OK ? 0 : 1;
}
