// rf_synth <description.txt> <output.wav>
// Renders one sound description to a 44.1 kHz 16-bit PCM WAV file.

#include <exception>
#include <iostream>

#include "tools/synth/parser.h"
#include "tools/synth/renderer.h"
#include "tools/synth/synth_error.h"
#include "tools/synth/wav_writer.h"

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: rf_synth <description.txt> <output.wav>\n";
        return 1;
    }
    try
    {
        const CScore score = ParseScoreFile(argv[1]);
        WriteWav(argv[2], RenderScore(score));
    }
    catch (const CSynthError& error)
    {
        std::cerr << "rf_synth: " << error.what() << "\n";
        return 1;
    }
    catch (const std::exception& error)
    {
        std::cerr << "rf_synth: " << argv[1] << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
