#pragma once

namespace p2ksim {

class SimulatedHandset;

// Fills a simulated handset with the tree of a handset in daily use, for the demo program: a
// few hundred files under /a/mobile (audio, picture, skins, video, system) with every kind of
// attribute word and owner, a few files on the /b memory card, volumes /a and /b, about 12 MB
// free, model "V3". The same tree every time (about 4 MB of contents).
void SeedDemoFileSystem(SimulatedHandset& handset);

}  // namespace p2ksim
