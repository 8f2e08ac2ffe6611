// Greets the player when the mission starts.
hint "Packed by quillpack";
