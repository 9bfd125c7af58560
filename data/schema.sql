-- The diary: one row per calendar day. skYmn is the day as "yymmdd".
CREATE TABLE tbDoc (
    skYmn TEXT NOT NULL PRIMARY KEY,
    szTtl TEXT,
    szDoc TEXT
);
