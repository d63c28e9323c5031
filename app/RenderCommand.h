#pragma once

// velmora-studio --render PROJECT.vmp OUT.wav [--seconds S] [--rate HZ] [--block FRAMES]
// Renders the song (or S seconds) into a 32-bit float stereo WAV file;
// `argv` holds the arguments after "--render". Returns a CommandStatus.
int RunRenderCommand(int argc, char** argv);
