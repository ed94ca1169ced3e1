// The simulated instrument lives in this folder.
