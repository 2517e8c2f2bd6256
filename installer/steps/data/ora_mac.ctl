-- fluidics protocol steps, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_MAC_FILE
FIELDS TERMINATED BY ';'
TRAILING NULLCOLS
(protocol_name CHAR(255), step_value CHAR(1024))
