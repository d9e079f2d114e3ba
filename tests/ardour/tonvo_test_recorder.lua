ardour {
	["type"]    = "dsp",
	name        = "Tonvo test recorder",
	category    = "Utility",
	license     = "MIT",
	author      = "Brelwick",
	description = [[Passes MIDI through and keeps the status and note of the first 32 messages in its shared memory: the count, then the pairs.]]
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 } }
end

function dsp_init (rate)
	self:shmem ():allocate (65)
	self:shmem ():clear ()
end

function dsp_run (_, _, n_samples)
	local kept = self:shmem ():to_int (0):array ()
	for i, event in ipairs (midiin) do
		local data = event["data"]
		local n = kept[1]
		if n < 32 then
			kept[2 + 2 * n] = data[1]
			kept[3 + 2 * n] = data[2]
			kept[1] = n + 1
		end
		midiout[i] = event
	end
end
