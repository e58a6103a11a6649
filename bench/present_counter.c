/* Counts the frames the unchanged game presents, for bench/pace.sh. Loaded
 * with LD_PRELOAD, it hands every SDL_RenderPresent on to SDL and adds one
 * to a counter in the file named by RF_PRESENT_COUNTER, mapped shared, so
 * that the script can read it at any moment of the run. */
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static uint64_t* counter;

__attribute__((constructor)) static void MapCounter(void)
{
    const char* path = getenv("RF_PRESENT_COUNTER");
    if (!path)
        return;
    int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0)
        return;
    if (ftruncate(fd, sizeof(uint64_t)) == 0)
    {
        void* map = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED)
            counter = map;
    }
    close(fd);
}

void SDL_RenderPresent(SDL_Renderer* renderer)
{
    static void (*present)(SDL_Renderer*);
    if (!present)
        *(void**)&present = dlsym(RTLD_NEXT, "SDL_RenderPresent");
    present(renderer);
    if (counter)
        __atomic_add_fetch(counter, 1, __ATOMIC_RELAXED);
}
